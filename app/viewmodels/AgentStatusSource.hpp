#pragma once

#include "app/platform/DesktopActions.hpp"
#include "app/viewmodels/StatusSource.hpp"
#include "core/agent/Agent.hpp"

namespace kindora {

// The popover's StatusSource over the running agent and the desktop. Main thread only.
class AgentStatusSource final : public StatusSource {
public:
    AgentStatusSource(Agent& agent, DesktopActions& actions) : agent_(agent), actions_(actions) {}

    const Phase& phase() const override { return agent_.appState().phase(); }
    const SyncStatus& syncStatus() const override { return agent_.syncStatusStore().status(); }
    const HeartbeatStatus& heartbeatStatus() const override { return agent_.heartbeatStatusStore().status(); }
    std::optional<UserText> pairingError() const override { return agent_.pairingController().lastError(); }
    bool isPairingInProgress() const override { return agent_.pairingController().isInProgress(); }
    CredentialAccess credentialAccess() const override { return agent_.credentialAccess().value(); }
    std::string webAppURL() const override { return agent_.services().backendBaseURL; }
    std::optional<std::string> agentVersion() const override { return agent_.services().agentVersion; }
    std::vector<Subscription> observe(const std::function<void()>& onChange) override;

    void startPairing() override { agent_.pairingController().startPairing(); }
    void cancelPairing() override { agent_.pairingController().cancel(); }
    void syncNow() override { agent_.syncNow(); }
    void unlockKeyring() override { agent_.unlockKeyring(); }
    void openSetup() override { agent_.openSetup(); }
    void checkAgain() override { agent_.becameActive(); }
    void openWebApp() override { actions_.openURL(agent_.services().backendBaseURL); }
    void openFullDiskAccessSettings() override { actions_.openFullDiskAccessSettings(); }
    void relaunch() override { actions_.relaunchApplication(); }

private:
    Agent& agent_;
    DesktopActions& actions_;
};

}  // namespace kindora
