#include "core/credentials/RevocationHandler.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/credentials/KeychainError.hpp"
#include "tests/support/LogCapture.hpp"

namespace kindora {
namespace {

class FailingDeleteStore final : public CredentialStoreProtocol {
public:
    bool hasDeviceToken() const override { return true; }
    std::optional<std::string> loadDeviceToken() const override { return "token"; }
    void saveDeviceToken(const std::string&) override {}
    void deleteDeviceToken() override { throw KeychainError::osStatus(-25293); }
    std::optional<std::string> loadDeviceId() const override { return std::nullopt; }
    void saveDeviceId(const std::string&) override {}
};

TEST(RevocationHandler, DeletesTheTokenButKeepsTheDeviceId) {
    InMemoryCredentialStore store;
    store.saveDeviceToken("secret-token");
    store.saveDeviceId("device-1");
    RevocationHandler handler(store);
    int calls = 0;
    handler.setCallback([&] { ++calls; });
    handler.handleRevoked();
    EXPECT_FALSE(store.hasDeviceToken());
    EXPECT_FALSE(store.loadDeviceToken());
    EXPECT_EQ(store.loadDeviceId(), "device-1");
    EXPECT_EQ(calls, 1);
}

TEST(RevocationHandler, WithoutACallbackStillDeletesTheToken) {
    InMemoryCredentialStore store;
    store.saveDeviceToken("secret-token");
    RevocationHandler handler(store);
    handler.handleRevoked();
    EXPECT_FALSE(store.hasDeviceToken());
}

TEST(RevocationHandler, ADeletionFailureIsLoggedAndTheCallbackStillRuns) {
    testing::LogCapture capture;
    FailingDeleteStore store;
    RevocationHandler handler(store);
    int calls = 0;
    handler.setCallback([&] { ++calls; });
    handler.handleRevoked();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(capture.contains(
        "failed to clear device token after revocation: credential store error -25293", "Sync"));
}

TEST(RevocationHandler, TwoLoopsReportingAtOnceGiveTwoCallbacksOneAfterTheOther) {
    InMemoryCredentialStore store;
    store.saveDeviceToken("secret-token");
    RevocationHandler handler(store);
    std::atomic<int> inside = 0;
    std::atomic<int> overlaps = 0;
    std::atomic<int> calls = 0;
    handler.setCallback([&] {
        if (++inside > 1) {
            ++overlaps;
        }
        std::this_thread::yield();
        ++calls;
        --inside;
    });
    std::thread first([&] { handler.handleRevoked(); });
    std::thread second([&] { handler.handleRevoked(); });
    first.join();
    second.join();
    EXPECT_EQ(calls.load(), 2);
    EXPECT_EQ(overlaps.load(), 0);
}

}  // namespace
}  // namespace kindora
