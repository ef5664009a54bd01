#include "core/agent/SetupFactsCheck.hpp"

#include <utility>

namespace kindora {

SetupFactsCheck::SetupFactsCheck(MainQueue& mainQueue, CredentialStoreProtocol& credentialStore,
                                 FullDiskAccessCheck hasFullDiskAccess)
    : mainQueue_(mainQueue),
      credentialStore_(credentialStore),
      hasFullDiskAccess_(std::move(hasFullDiskAccess)) {}

SetupFactsCheck::~SetupFactsCheck() {
    cancelAll();
}

void SetupFactsCheck::run(std::function<void(const SetupFacts&)> then) {
    tasks_.emplace_back();
    const auto slot = std::prev(tasks_.end());
    *slot = std::make_unique<BackgroundTask>(
        mainQueue_, [this, slot, then = std::move(then)](const BackgroundTask::Context& context) {
            SetupFacts facts;
            // Neither check is meant to throw; one that does anyway counts as "no", so that the
            // answer still comes back and the phase can be derived.
            try {
                facts.hasCredentials = credentialStore_.hasDeviceToken();
            } catch (...) {
            }
            try {
                facts.hasFullDiskAccess = hasFullDiskAccess_ && hasFullDiskAccess_();
            } catch (...) {
            }
            context.post([this, slot, then, facts] {
                // Runs only while the task is alive (not cancelled), so the slot is still ours.
                answered_.retire(std::move(*slot));
                tasks_.erase(slot);
                then(facts);
            });
        });
}

void SetupFactsCheck::cancelAll() {
    for (auto& task : tasks_) {
        task->cancel();
    }
    tasks_.clear();
}

}  // namespace kindora
