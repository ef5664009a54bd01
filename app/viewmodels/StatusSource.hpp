#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/common/Observable.hpp"
#include "core/common/UserText.hpp"
#include "core/credentials/CredentialAccess.hpp"
#include "core/lifecycle/HeartbeatStatus.hpp"
#include "core/lifecycle/Phase.hpp"
#include "core/sync/SyncStatus.hpp"

namespace kindora {

// What the popover's screens and the pairing code read of the agent, and what they ask of it and of
// the desktop. The desktop front end gives the agent's (AgentStatusSource); tests give their own.
// Main thread only.
class StatusSource {
public:
    virtual ~StatusSource() = default;

    virtual const Phase& phase() const = 0;
    virtual const SyncStatus& syncStatus() const = 0;
    virtual const HeartbeatStatus& heartbeatStatus() const = 0;
    virtual std::optional<UserText> pairingError() const = 0;
    virtual bool isPairingInProgress() const = 0;
    virtual CredentialAccess credentialAccess() const = 0;
    // The household web app, and the agent's version when it is known.
    virtual std::string webAppURL() const = 0;
    virtual std::optional<std::string> agentVersion() const = 0;
    // Calls `onChange` after anything above changed, for as long as the subscriptions are kept.
    [[nodiscard]] virtual std::vector<Subscription> observe(const std::function<void()>& onChange) = 0;

    virtual void startPairing() = 0;
    virtual void cancelPairing() = 0;
    virtual void syncNow() = 0;
    // "Unlock Keyring…": the one way the agent asks for the keyring's unlock prompt.
    virtual void unlockKeyring() = 0;
    virtual void openSetup() = 0;
    // "Check Again": the phase is derived again from fresh facts.
    virtual void checkAgain() = 0;
    virtual void openWebApp() = 0;
    virtual void openFullDiskAccessSettings() = 0;
    virtual void relaunch() = 0;
};

}  // namespace kindora
