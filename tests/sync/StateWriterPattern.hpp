#pragma once

#include <cstdint>

#include "core/sync/SyncState.hpp"

namespace kindora::testing {

// The states the crash test's writer saves: every field follows from lastRowID, and the watch list
// grows and shrinks so that consecutive files differ in length.
namespace StateWriterPattern {

inline SyncState state(std::int64_t rowID) {
    SyncState state;
    state.lastRowID = rowID;
    state.lifetimeSentCount = rowID * 3;
    state.lastReadDateRead = rowID * 1000;
    state.lastReadRowID = rowID;
    state.lastSyncAt = Date(std::chrono::milliseconds(1'800'000'000'000 + rowID));
    for (std::int64_t watch = 0; watch < rowID % 40; ++watch) {
        state.addPendingReadWatch("guid-" + std::to_string(rowID) + "-" + std::to_string(watch),
                                  rowID - watch, Date(std::chrono::seconds(1'800'000'000 + watch)));
    }
    return state;
}

}  // namespace StateWriterPattern
}  // namespace kindora::testing
