#include "core/lifecycle/AccessGrantWatch.hpp"

#include <utility>

namespace kindora {

AccessGrantWatch::AccessGrantWatch(SetupWizardController& wizard, MainQueue& mainQueue,
                                   std::function<bool()> hasAccess)
    : mainQueue_(mainQueue), hasAccess_(std::move(hasAccess)) {
    subscription_ = wizard.observeStep([this](const auto& step) { stepChanged(step); });
    stepChanged(wizard.step());
}

AccessGrantWatch::~AccessGrantWatch() = default;

void AccessGrantWatch::stop() {
    stopped_ = true;
    subscription_.reset();
    stopChecking();
}

void AccessGrantWatch::stepChanged(const std::optional<SetupStep>& step) {
    if (step != SetupStep::fullDiskAccess) {
        stopChecking();
        detected_.set(false);
        return;
    }
    if (!checking_ && !detected_.value() && !stopped_ && hasAccess_) {
        checking_ = std::make_unique<PostScope>(mainQueue_);
        checkNow();
    }
}

void AccessGrantWatch::stopChecking() {
    checking_.reset();
    retiredChecks_.retire(std::move(check_));
}

void AccessGrantWatch::checkNow() {
    retiredChecks_.retire(std::move(check_));  // its work has returned: it posted its answer
    check_ = std::make_unique<BackgroundTask>(mainQueue_,
                                              [this, hasAccess = hasAccess_](const BackgroundTask::Context& context) {
                                                  const bool readable = hasAccess();
                                                  context.post([this, readable] { checked(readable); });
                                              });
}

void AccessGrantWatch::checked(bool readable) {
    if (readable) {
        checking_.reset();
        detected_.set(true);
    } else if (checking_) {
        checking_->postAfter(checkInterval, [this] { checkNow(); });
    }
}

}  // namespace kindora
