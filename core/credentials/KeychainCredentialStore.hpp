#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "core/common/Backoff.hpp"
#include "core/common/Log.hpp"
#include "core/common/PollingLoop.hpp"
#include "core/common/Sleeper.hpp"
#include "core/credentials/CredentialAccess.hpp"
#include "core/credentials/CredentialStoreProtocol.hpp"
#include "core/credentials/SecretItemStoring.hpp"
#include "core/credentials/SecretStoreWatching.hpp"

namespace kindora {

// The device credentials, read from the desktop's secret store once and then held in memory for the
// life of the process: the loops read the token on every tick, and a round trip to the Secret
// Service per tick (with an unlock prompt each time the keyring is locked) is what this avoids.
//
// The first read happens on the first call that needs it (off the main thread: the phase is derived
// on a background task). A locked keyring or a store that does not answer is not "no token": the
// device counts as paired (hasDeviceToken() is true) while loadDeviceToken() has nothing, so the
// loops skip their ticks and lose nothing. The store then reads again whenever the watcher reports a
// change of the keyring (its `Locked` property, the service appearing) and otherwise after a back-off
// of 5 s doubling to 60 s, until the keyring answers. It never asks for an unlock by itself:
// requestUnlock() is the person's button.
//
// Saving replaces the held value once the keyring has it; deleting the token forgets it at once.
// Thread-safe.
class KeychainCredentialStore final : public CredentialStoreProtocol, public CredentialAccessReporting {
public:
    static constexpr double firstRetrySeconds = 5.0;
    static constexpr double longestRetrySeconds = 60.0;

    KeychainCredentialStore(SecretItemStoring& items, SecretStoreWatching& watcher, Sleeper sleeper,
                            std::string account = "deviceToken", std::string deviceIdAccount = "deviceId");
    KeychainCredentialStore(const KeychainCredentialStore&) = delete;
    KeychainCredentialStore& operator=(const KeychainCredentialStore&) = delete;
    ~KeychainCredentialStore() override;

    const std::string& account() const { return account_; }
    const std::string& deviceIdAccount() const { return deviceIdAccount_; }

    // True while the token is held, and while the keyring holds its answer back (the device may well
    // be paired); false only once the keyring said there is no token.
    bool hasDeviceToken() const override;
    std::optional<std::string> loadDeviceToken() const override;
    std::optional<std::string> loadDeviceId() const override;
    // Write to the keyring, then hold the new value. A failure throws KeychainError and holds on to
    // what was held before.
    void saveDeviceToken(const std::string& token) override;
    void saveDeviceId(const std::string& deviceId) override;
    // Forgets the held token, then removes it from the keyring (a failure there throws KeychainError).
    void deleteDeviceToken() override;

    CredentialAccess access() const override;
    void observeAccess(std::function<void()> onChange) override;
    void readAgainIfWaiting() override;
    bool requestUnlock(StopToken stop) override;

    // Stops reading again and watching; the destructor does too.
    void shutDown();

private:
    struct Held {
        bool read = false;
        CredentialAccess access = CredentialAccess::ready;  // until a read says otherwise
        std::optional<std::string> token;
        std::optional<std::string> deviceId;
    };

    // Reads the keyring once, unless something has read it already.
    void ensureRead() const;
    // Reads both items, holds what came back and starts or stops reading again. Returns the access.
    CredentialAccess readNow();
    CredentialAccess readLocked();  // readNow() with readMutex_ held
    double retryTick();
    void notify();

    SecretItemStoring& items_;
    SecretStoreWatching& watcher_;
    const std::string account_;
    const std::string deviceIdAccount_;
    const Log logger_{"Credentials"};

    mutable std::mutex readMutex_;  // one read of the keyring at a time; never taken under mutex_
    mutable std::mutex mutex_;
    Held held_;
    std::function<void()> onChange_;
    bool watching_ = false;       // guarded by readMutex_
    bool retryStarted_ = false;   // guarded by mutex_; the retry loop runs from then to shutDown()
    Backoff backoff_;             // used by the retry loop only
    bool firstRetryTick_ = true;  // used by the retry loop only
    std::mutex unlockMutex_;
    PollingLoop retryLoop_;  // last: stopped and joined before the rest goes
};

}  // namespace kindora
