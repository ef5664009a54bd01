// Saves sync states into a directory as fast as it can, forever, for the crash test: each state is
// derived from its lastRowID, so a reader can tell a whole state from a mixed one.
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "core/sync/FileWatermarkStore.hpp"
#include "tests/sync/StateWriterPattern.hpp"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kindora_sync_state_writer DIRECTORY FIRST_ROW_ID\n";
        return 2;
    }
    kindora::FileWatermarkStore store(argv[1]);
    for (std::int64_t rowID = std::stoll(argv[2]);; ++rowID) {
        // As the sync engine saves: progress between batches, a whole save at the end of a tick.
        const auto state = kindora::testing::StateWriterPattern::state(rowID);
        if (rowID % 4 == 0) {
            store.save(state);
        } else {
            store.saveProgress(state);
        }
    }
}
