// The keychain store over a scripted keyring on a virtual timeline: what the loops read, how often the
// keyring is asked, and when it is asked to unlock.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "core/credentials/KeychainCredentialStore.hpp"
#include "core/credentials/KeychainError.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora {
namespace {

using Kind = SecretLookup::Kind;

// A keyring whose answer the test sets, counting every call made to it.
class ScriptedKeyring final : public SecretItemStoring {
public:
    SecretLookup lookup(const std::string& account) const override {
        std::lock_guard lock(mutex_);
        ++lookups;
        if (kind != Kind::found) {
            return SecretLookup{kind, {}};
        }
        const auto item = items.find(account);
        return item == items.end() ? SecretLookup::absent() : SecretLookup::found(item->second);
    }
    void store(const std::string& account, const std::string& value, const std::string&) override {
        std::lock_guard lock(mutex_);
        if (kind == Kind::unavailable) {
            throw KeychainError::osStatus(2, "no answer");
        }
        items[account] = value;
    }
    void clear(const std::string& account) override {
        std::lock_guard lock(mutex_);
        items.erase(account);
    }
    bool unlock(const std::string&, StopToken stop) override {
        std::unique_lock lock(mutex_);
        ++unlockRequests;
        // The prompt is up until the test answers it (or the request is stopped).
        promptUp = true;
        changed.notify_all();
        changed.wait(lock, [&] { return promptAnswered || stop.stop_requested(); });
        promptUp = false;
        if (promptAnswered && unlockAccepted) {
            kind = Kind::found;
        }
        return kind == Kind::found;
    }

    void set(Kind answer) {
        std::lock_guard lock(mutex_);
        kind = answer;
    }
    void answerPrompt(bool accept) {
        std::lock_guard lock(mutex_);
        promptAnswered = true;
        unlockAccepted = accept;
        changed.notify_all();
    }
    bool waitForPrompt() {
        std::unique_lock lock(mutex_);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return promptUp; });
    }
    int lookupCount() const {
        std::lock_guard lock(mutex_);
        return lookups;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed;
    Kind kind = Kind::found;
    std::map<std::string, std::string> items;
    mutable int lookups = 0;
    int unlockRequests = 0;
    bool promptUp = false;
    bool promptAnswered = false;
    bool unlockAccepted = false;
};

// The keyring's change signals, fired by the test.
class ManualWatcher final : public SecretStoreWatching {
public:
    void start(ChangeHandler onChange) override {
        std::lock_guard lock(mutex_);
        onChange_ = std::move(onChange);
    }
    void stop() override {
        std::lock_guard lock(mutex_);
        onChange_ = nullptr;
    }
    bool isWatching() const {
        std::lock_guard lock(mutex_);
        return onChange_ != nullptr;
    }
    void fire() {
        std::lock_guard lock(mutex_);
        if (onChange_) {
            onChange_();
        }
    }

private:
    mutable std::mutex mutex_;
    ChangeHandler onChange_;
};

class HeldCredentials : public ::testing::Test {
protected:
    HeldCredentials() {
        keyring.items = {{"deviceToken", "token-1"}, {"deviceId", "device-1"}};
        store.observeAccess([this] { ++changes; });
    }

    // Waits (bounded, in real time) until `condition` holds: the store reads on its own thread.
    static bool eventually(const std::function<bool()>& condition) {
        for (int i = 0; i < 2000 && !condition(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return condition();
    }

    testing::LogCapture log;
    testing::VirtualTime time;
    ScriptedKeyring keyring;
    ManualWatcher watcher;
    KeychainCredentialStore store{keyring, watcher, time.sleeper()};
    std::atomic<int> changes{0};
};

// A locked keyring at start: the device stays paired, every read by the loops is answered from
// memory without a call to the keyring or an unlock, the keyring is asked again after a back-off of
// 5 s doubling up to 60 s, and the moment it reports a change (unlocked) the token is there.
TEST_F(HeldCredentials, ALockedKeyringIsWaitedForWithoutAPromptAndReadTheMomentItUnlocks) {
    keyring.set(Kind::locked);
    EXPECT_TRUE(store.hasDeviceToken()) << "locked is not signed out";
    EXPECT_EQ(store.access(), CredentialAccess::locked);
    EXPECT_EQ(store.loadDeviceToken(), std::nullopt);
    EXPECT_TRUE(watcher.isWatching());
    for (int tick = 0; tick < 50; ++tick) {
        EXPECT_EQ(store.loadDeviceToken(), std::nullopt);
    }
    EXPECT_EQ(keyring.lookupCount(), 1) << "the loops' reads never reach the keyring";

    // The bounded back-off: each wait doubles, jittered by at most 15 %, and stops growing at 60 s.
    for (std::size_t retry = 1; retry <= 6; ++retry) {
        ASSERT_TRUE(time.waitForSleepCount(retry));
        ASSERT_TRUE(time.waitForSleepers(1));
        time.advanceToNextDeadline();
    }
    ASSERT_TRUE(time.waitForSleepCount(7));
    const std::vector<double> expected = {5, 10, 20, 40, 60, 60, 60};
    const auto waits = time.requestedSleeps();
    ASSERT_EQ(waits.size(), expected.size());
    for (std::size_t i = 0; i < waits.size(); ++i) {
        EXPECT_NEAR(waits[i], expected[i], expected[i] * 0.151) << "wait " << i;
    }
    EXPECT_TRUE(eventually([&] { return keyring.lookupCount() == 7; }));
    EXPECT_EQ(keyring.unlockRequests, 0);
    EXPECT_EQ(store.access(), CredentialAccess::locked);

    // Unlocked elsewhere (the person logged in again): the change signal makes the store read at once,
    // with no time passing.
    keyring.set(Kind::found);
    watcher.fire();
    ASSERT_TRUE(eventually([&] { return store.access() == CredentialAccess::ready; }));
    EXPECT_EQ(store.loadDeviceToken(), "token-1");
    EXPECT_EQ(store.loadDeviceId(), "device-1");
    EXPECT_FALSE(watcher.isWatching());
    EXPECT_GE(changes.load(), 2) << "told when it locked and when it unlocked";
    EXPECT_EQ(keyring.unlockRequests, 0);
    const int lookupsWhenRead = keyring.lookupCount();
    time.advance(3600);
    EXPECT_EQ(store.loadDeviceToken(), "token-1");
    EXPECT_EQ(keyring.lookupCount(), lookupsWhenRead) << "held, not read again";
}

// Only the keyring saying "no such item" signs out; revocation forgets the token at once, and a new
// pairing's token replaces it, while the device id outlives both.
TEST_F(HeldCredentials, OnlyAnAbsentItemSignsOutAndRevocationAndPairingReplaceWhatIsHeld) {
    keyring.set(Kind::unavailable);
    EXPECT_TRUE(store.hasDeviceToken());
    EXPECT_EQ(store.access(), CredentialAccess::unavailable);
    EXPECT_THROW(store.saveDeviceToken("while-down"), KeychainError);
    EXPECT_EQ(store.loadDeviceToken(), std::nullopt) << "a failed save holds nothing new";

    keyring.set(Kind::found);
    keyring.items.erase("deviceToken");
    ASSERT_TRUE(time.waitForSleepers(1));
    store.readAgainIfWaiting();  // after a wake
    ASSERT_TRUE(eventually([&] { return store.access() == CredentialAccess::ready; }));
    EXPECT_FALSE(store.hasDeviceToken()) << "the keyring answered: no token";
    EXPECT_EQ(store.loadDeviceId(), "device-1");

    store.saveDeviceToken("token-2");
    EXPECT_EQ(store.loadDeviceToken(), "token-2");
    EXPECT_EQ(keyring.items["deviceToken"], "token-2");
    store.deleteDeviceToken();
    EXPECT_FALSE(store.hasDeviceToken());
    EXPECT_EQ(keyring.items.count("deviceToken"), 0u);
    EXPECT_EQ(store.loadDeviceId(), "device-1");
}

// The unlock is asked only on request, once per request: a second press while the prompt is up asks
// nothing more; an accepted prompt makes the token readable.
TEST_F(HeldCredentials, AnUnlockIsAskedOnlyWhenRequestedAndOnceAtATime) {
    keyring.set(Kind::locked);
    ASSERT_TRUE(store.hasDeviceToken());
    EXPECT_EQ(keyring.unlockRequests, 0);

    bool unlocked = false;
    std::thread person([&] { unlocked = store.requestUnlock(StopToken{}); });
    ASSERT_TRUE(keyring.waitForPrompt());
    EXPECT_FALSE(store.requestUnlock(StopToken{})) << "the prompt is already up";
    keyring.answerPrompt(true);
    person.join();
    EXPECT_TRUE(unlocked);
    EXPECT_EQ(keyring.unlockRequests, 1);
    EXPECT_EQ(store.loadDeviceToken(), "token-1");
    EXPECT_TRUE(store.requestUnlock(StopToken{})) << "nothing left to unlock";
    EXPECT_EQ(keyring.unlockRequests, 1);
}

}  // namespace
}  // namespace kindora
