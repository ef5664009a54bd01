#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <vector>

#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/sync/InMemoryWatermarkStore.hpp"
#include "core/sync/SyncEngine.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tests/sync/FakeChatDB.hpp"
#include "tests/sync/FakeIngestClient.hpp"

namespace kindora::testing {

// An engine over an in-memory database, backend, credential store and watermark store, on virtual
// time, with every published status recorded.
class SyncEngineTest : public ::testing::Test {
protected:
    static constexpr const char* deviceToken = "device-token-7f3a9c";

    SyncEngineTest() {
        credentials.saveDeviceToken(deviceToken);
        engine = std::make_unique<SyncEngine>(db, backend, credentials, store, revocationHandler,
                                              time.sleeper(), time.clock(), "1.2.3");
        engine->setStatusHandler([this](const SyncStatus& status) {
            std::lock_guard lock(statusMutex);
            statuses.push_back(status);
        });
    }

    // A stored state whose watermark is `rowID`.
    void storeWatermark(std::int64_t rowID) {
        SyncState state;
        state.lastRowID = rowID;
        store.save(state);
    }
    SyncState saved() const { return store.state().value_or(SyncState{}); }
    std::vector<SyncStatus> published() const {
        std::lock_guard lock(statusMutex);
        return statuses;
    }
    SyncStatus lastStatus() const {
        const auto all = published();
        return all.empty() ? SyncStatus{} : all.back();
    }
    void addMessages(int count) {
        for (int i = 0; i < count; ++i) {
            db.addMessage();
        }
    }

    VirtualTime time;
    FakeChatDB db;
    FakeIngestClient backend;
    InMemoryCredentialStore credentials{true};
    InMemoryWatermarkStore store;
    std::shared_ptr<RevocationHandler> revocationHandler = std::make_shared<RevocationHandler>(credentials);
    LogCapture logs;
    mutable std::mutex statusMutex;
    std::vector<SyncStatus> statuses;
    std::unique_ptr<SyncEngine> engine;  // last: destroyed (and stopped) first
};

}  // namespace kindora::testing
