#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/viewmodels/StatusSource.hpp"

namespace kindora::testing {

// The agent as the popover reads it, set by the test; every action is recorded by name.
class ScriptedStatusSource final : public StatusSource {
public:
    const Phase& phase() const override { return phase_; }
    const SyncStatus& syncStatus() const override { return sync_; }
    const HeartbeatStatus& heartbeatStatus() const override { return heartbeat_; }
    std::optional<UserText> pairingError() const override { return {}; }
    bool isPairingInProgress() const override { return pairingInProgress_; }
    CredentialAccess credentialAccess() const override { return access_; }
    std::string webAppURL() const override { return "https://app.kindora.example"; }
    std::optional<std::string> agentVersion() const override { return "2.0.0"; }
    std::vector<Subscription> observe(const std::function<void()>& onChange) override {
        std::vector<Subscription> subscriptions;
        subscriptions.push_back(revision_.observe([onChange](int) { onChange(); }));
        return subscriptions;
    }

    void startPairing() override { calls.push_back("startPairing"); }
    void cancelPairing() override { calls.push_back("cancelPairing"); }
    void syncNow() override { calls.push_back("syncNow"); }
    void unlockKeyring() override { calls.push_back("unlockKeyring"); }
    void openSetup() override { calls.push_back("openSetup"); }
    void checkAgain() override { calls.push_back("checkAgain"); }
    void openWebApp() override { calls.push_back("openWebApp"); }
    void openFullDiskAccessSettings() override { calls.push_back("openFullDiskAccessSettings"); }
    void relaunch() override { calls.push_back("relaunch"); }

    // Applies `change` and tells the observers, as the agent's observables do.
    template <typename Change>
    void change(Change&& change) {
        change(*this);
        revision_.set(revision_.value() + 1);
    }

    Phase phase_ = Phase::signedOut();
    SyncStatus sync_;
    HeartbeatStatus heartbeat_;
    bool pairingInProgress_ = false;
    CredentialAccess access_ = CredentialAccess::ready;
    std::vector<std::string> calls;

private:
    Observable<int> revision_{0};
};

}  // namespace kindora::testing
