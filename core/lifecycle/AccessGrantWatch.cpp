#include "core/lifecycle/AccessGrantWatch.hpp"

#include <utility>

namespace kindora {

AccessGrantWatch::AccessGrantWatch(SetupWizardController& wizard, MainQueue& mainQueue, Sleeper sleeper,
                                   std::function<bool()> hasAccess)
    : mainQueue_(mainQueue), sleeper_(std::move(sleeper)), hasAccess_(std::move(hasAccess)) {
    subscription_ = wizard.observeStep([this](const auto& step) { stepChanged(step); });
    stepChanged(wizard.step());
}

AccessGrantWatch::~AccessGrantWatch() = default;

void AccessGrantWatch::stop() {
    stopped_ = true;
    subscription_.reset();
    check_.reset();
}

void AccessGrantWatch::stepChanged(const std::optional<SetupStep>& step) {
    if (step == SetupStep::fullDiskAccess) {
        startChecking();
    } else {
        check_.reset();
        detected_.set(false);
    }
}

void AccessGrantWatch::startChecking() {
    if (check_ || stopped_ || !hasAccess_) {
        return;
    }
    check_ = std::make_unique<BackgroundTask>(
        mainQueue_, [this, hasAccess = hasAccess_, sleeper = sleeper_](const BackgroundTask::Context& context) {
            while (!context.isCancelled()) {
                if (hasAccess()) {
                    context.post([this] { detected_.set(true); });
                    return;
                }
                if (!sleeper.sleep(checkInterval, context.stopToken())) {
                    return;
                }
            }
        });
}

}  // namespace kindora
