#include "core/sync/SyncStatusStore.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace kindora {
namespace {

TEST(SyncStatusStore, StartsEmptyAndNotifiesOnlyOnChange) {
    SyncStatusStore store;
    EXPECT_EQ(store.status(), SyncStatus{});
    EXPECT_EQ(store.revokedSignal(), 0);

    std::vector<SyncStatus> seen;
    auto subscription = store.observeStatus([&](const SyncStatus& status) { seen.push_back(status); });
    SyncStatus status;
    status.sessionSentCount = 3;
    store.update(status);
    store.update(status);
    EXPECT_EQ(seen.size(), 1u);

    status.queueLagRowCount = 200;
    store.update(status);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen.back().queueLagRowCount, 200);
    EXPECT_EQ(store.status(), status);
}

TEST(SyncStatusStore, EverySignalledRevocationMovesTheCounterAndNotifies) {
    SyncStatusStore store;
    std::vector<std::int64_t> seen;
    auto subscription = store.observeRevokedSignal([&](std::int64_t value) { seen.push_back(value); });
    store.signalRevoked();
    store.signalRevoked();
    EXPECT_EQ(store.revokedSignal(), 2);
    EXPECT_EQ(seen, (std::vector<std::int64_t>{1, 2}));
}

}  // namespace
}  // namespace kindora
