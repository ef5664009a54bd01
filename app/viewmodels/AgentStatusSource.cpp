#include "app/viewmodels/AgentStatusSource.hpp"

namespace kindora {

std::vector<Subscription> AgentStatusSource::observe(const std::function<void()>& onChange) {
    const auto notify = [onChange](const auto&...) { onChange(); };
    std::vector<Subscription> subscriptions;
    subscriptions.push_back(agent_.appState().observePhase(notify));
    subscriptions.push_back(agent_.syncStatusStore().observeStatus(notify));
    subscriptions.push_back(agent_.heartbeatStatusStore().observe(notify));
    subscriptions.push_back(agent_.pairingController().observeLastError(notify));
    subscriptions.push_back(agent_.pairingController().observeInProgress(notify));
    subscriptions.push_back(agent_.credentialAccess().observe(notify));
    return subscriptions;
}

}  // namespace kindora
