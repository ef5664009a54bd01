#include "core/credentials/KeychainCredentialStore.hpp"

#include <utility>

#include "core/common/Utf8.hpp"
#include "core/credentials/KeychainError.hpp"

namespace kindora {
namespace {

constexpr double idleSeconds = 3600.0;  // the retry loop's wait while nothing needs reading again

CredentialAccess accessOf(const SecretLookup& lookup) {
    switch (lookup.kind) {
        case SecretLookup::Kind::locked:
            return CredentialAccess::locked;
        case SecretLookup::Kind::unavailable:
            return CredentialAccess::unavailable;
        case SecretLookup::Kind::found:
        case SecretLookup::Kind::absent:
            break;
    }
    return CredentialAccess::ready;
}

std::optional<std::string> valueOf(const SecretLookup& lookup) {
    if (lookup.kind == SecretLookup::Kind::found) {
        return lookup.value;
    }
    return std::nullopt;
}

}  // namespace

KeychainCredentialStore::KeychainCredentialStore(SecretItemStoring& items, SecretStoreWatching& watcher,
                                                 Sleeper sleeper, std::string account,
                                                 std::string deviceIdAccount)
    : items_(items),
      watcher_(watcher),
      account_(std::move(account)),
      deviceIdAccount_(std::move(deviceIdAccount)),
      backoff_(firstRetrySeconds, longestRetrySeconds),
      retryLoop_("Keyring", std::move(sleeper), [this](StopToken) { return retryTick(); },
                 PollingLoop::WakeDuringTick::runsAnotherTick) {}

KeychainCredentialStore::~KeychainCredentialStore() {
    shutDown();
}

void KeychainCredentialStore::shutDown() {
    retryLoop_.stop();
    retryLoop_.join();
    const std::lock_guard reading(readMutex_);
    if (watching_) {
        watcher_.stop();
        watching_ = false;
    }
}

bool KeychainCredentialStore::hasDeviceToken() const {
    ensureRead();
    const std::lock_guard lock(mutex_);
    return held_.token.has_value() || held_.access != CredentialAccess::ready;
}

std::optional<std::string> KeychainCredentialStore::loadDeviceToken() const {
    ensureRead();
    const std::lock_guard lock(mutex_);
    return held_.token;
}

std::optional<std::string> KeychainCredentialStore::loadDeviceId() const {
    ensureRead();
    const std::lock_guard lock(mutex_);
    return held_.deviceId;
}

void KeychainCredentialStore::saveDeviceToken(const std::string& token) {
    if (!Utf8::isValid(token)) {
        throw KeychainError::invalidTokenEncoding();
    }
    const std::lock_guard reading(readMutex_);
    items_.store(account_, token, "Kindora device token");
    // Saving may have unlocked the keyring (the person was asked, since they asked to pair): the
    // device id, never read while it was locked, is read now so that a re-pairing compares with it.
    bool idUnknown = false;
    {
        const std::lock_guard lock(mutex_);
        idUnknown = held_.access != CredentialAccess::ready;
    }
    std::optional<std::string> deviceId;
    if (idUnknown) {
        deviceId = valueOf(items_.lookup(deviceIdAccount_));
    }
    {
        const std::lock_guard lock(mutex_);
        held_.read = true;
        held_.access = CredentialAccess::ready;
        held_.token = token;
        if (idUnknown) {
            held_.deviceId = deviceId;
        }
    }
    if (watching_) {
        watcher_.stop();
        watching_ = false;
    }
    notify();
}

void KeychainCredentialStore::saveDeviceId(const std::string& deviceId) {
    if (!Utf8::isValid(deviceId)) {
        throw KeychainError::invalidDeviceIdEncoding();
    }
    const std::lock_guard reading(readMutex_);
    items_.store(deviceIdAccount_, deviceId, "Kindora device id");
    const std::lock_guard lock(mutex_);
    held_.deviceId = deviceId;
}

void KeychainCredentialStore::deleteDeviceToken() {
    {
        // Forgotten first: no loop sends a revoked token again while the keyring is being asked.
        const std::lock_guard lock(mutex_);
        held_.read = true;
        held_.access = CredentialAccess::ready;
        held_.token.reset();
    }
    notify();
    const std::lock_guard reading(readMutex_);
    items_.clear(account_);
}

CredentialAccess KeychainCredentialStore::access() const {
    const std::lock_guard lock(mutex_);
    return held_.access;
}

void KeychainCredentialStore::observeAccess(std::function<void()> onChange) {
    const std::lock_guard lock(mutex_);
    onChange_ = std::move(onChange);
}

void KeychainCredentialStore::readAgainIfWaiting() {
    bool waiting = false;
    {
        const std::lock_guard lock(mutex_);
        waiting = held_.read && held_.access != CredentialAccess::ready;
    }
    if (waiting) {
        retryLoop_.tickNow();
    }
}

bool KeychainCredentialStore::requestUnlock(StopToken stop) {
    // One prompt at a time: a second press while the first prompt is up asks nothing more.
    const std::unique_lock unlocking(unlockMutex_, std::try_to_lock);
    if (!unlocking.owns_lock()) {
        return false;
    }
    if (access() != CredentialAccess::locked) {
        return access() == CredentialAccess::ready;
    }
    logger_.info("Asking to unlock the keyring, as the person asked");
    if (!items_.unlock(account_, std::move(stop))) {
        logger_.info("The keyring stays locked");
    }
    return readNow() == CredentialAccess::ready;
}

void KeychainCredentialStore::ensureRead() const {
    {
        const std::lock_guard lock(mutex_);
        if (held_.read) {
            return;
        }
    }
    // The first reader reads for everyone; the others wait for its answer.
    auto* self = const_cast<KeychainCredentialStore*>(this);
    const std::lock_guard reading(readMutex_);
    {
        const std::lock_guard lock(mutex_);
        if (held_.read) {
            return;
        }
    }
    self->readLocked();
}

CredentialAccess KeychainCredentialStore::readNow() {
    const std::lock_guard reading(readMutex_);
    return readLocked();
}

CredentialAccess KeychainCredentialStore::readLocked() {
    const SecretLookup token = items_.lookup(account_);
    const CredentialAccess access = accessOf(token);
    std::optional<SecretLookup> deviceId;
    if (access == CredentialAccess::ready) {
        deviceId = items_.lookup(deviceIdAccount_);
    }
    bool changed = false;
    bool startRetrying = false;
    {
        const std::lock_guard lock(mutex_);
        const Held before = held_;
        held_.read = true;
        held_.access = access;
        if (access == CredentialAccess::ready) {
            held_.token = valueOf(token);
            if (deviceId && accessOf(*deviceId) == CredentialAccess::ready) {
                held_.deviceId = valueOf(*deviceId);
            }
        }
        changed = !before.read || before.access != held_.access || before.token != held_.token;
        if (changed && before.access != access) {
            if (access == CredentialAccess::locked) {
                logger_.info("The keyring is locked: forwarding waits until it is unlocked");
            } else if (access == CredentialAccess::unavailable) {
                logger_.info("The keyring does not answer: forwarding waits until it does");
            } else if (before.read) {
                logger_.info("The keyring answered: {}", held_.token ? "credentials read" : "no device token");
            }
        }
        startRetrying = access != CredentialAccess::ready && !retryStarted_;
        if (startRetrying) {
            retryStarted_ = true;
        }
    }
    if (access == CredentialAccess::ready) {
        if (watching_) {
            watcher_.stop();
            watching_ = false;
        }
    } else if (!watching_) {
        watching_ = true;
        watcher_.start([this] { retryLoop_.tickNow(); });
    }
    if (startRetrying) {
        retryLoop_.start();
    }
    if (changed) {
        notify();
    }
    return access;
}

double KeychainCredentialStore::retryTick() {
    // The loop starts right after a read that found the keyring waiting; its first pass only waits.
    if (std::exchange(firstRetryTick_, false)) {
        return backoff_.nextDelay();
    }
    if (access() == CredentialAccess::ready) {
        backoff_.reset();
        return idleSeconds;
    }
    if (readNow() == CredentialAccess::ready) {
        backoff_.reset();
        return idleSeconds;
    }
    return backoff_.nextDelay();
}

void KeychainCredentialStore::notify() {
    std::function<void()> onChange;
    {
        const std::lock_guard lock(mutex_);
        onChange = onChange_;
    }
    if (onChange) {
        onChange();
    }
}

}  // namespace kindora
