#include "core/lifecycle/SetupWizardController.hpp"

#include <utility>

namespace kindora {

SetupWizardController::SetupWizardController(std::optional<SetupStep> step) : step_(step) {}

Subscription SetupWizardController::observeStep(Observable<std::optional<SetupStep>>::Observer observer) {
    return step_.observe(std::move(observer));
}

void SetupWizardController::setOnCompleted(std::function<void()> onCompleted) {
    onCompleted_ = std::move(onCompleted);
}

void SetupWizardController::open(bool hasFDA, bool hasCredentials) {
    if (!step()) {
        step_.set(SetupStep::next(hasFDA, hasCredentials));
    } else {
        recomputeStep(hasFDA, hasCredentials);
    }
}

void SetupWizardController::recomputeStep(bool hasFDA, bool hasCredentials) {
    if (!step()) {
        return;
    }
    std::optional<SetupStep> target;
    switch (step()->value()) {
        case SetupStep::welcome:
            return;
        case SetupStep::fullDiskAccess:
            if (hasFDA) {
                target = hasCredentials ? SetupStep::preferences : SetupStep::pairing;
            }
            break;
        case SetupStep::pairing:
            if (!hasFDA) {
                target = SetupStep::fullDiskAccess;
            } else if (hasCredentials) {
                target = SetupStep::preferences;
            }
            break;
        case SetupStep::preferences:
        case SetupStep::done:
            if (!hasFDA) {
                target = SetupStep::fullDiskAccess;
            } else if (!hasCredentials) {
                target = SetupStep::pairing;
            }
            break;
    }
    if (target) {
        step_.set(target);
    }
}

void SetupWizardController::advanceFromWelcome() {
    step_.set(SetupStep::fullDiskAccess);
}

void SetupWizardController::advanceToDone() {
    step_.set(SetupStep::done);
}

void SetupWizardController::close() {
    step_.set(std::nullopt);
}

void SetupWizardController::finish() {
    if (onCompleted_) {
        onCompleted_();
    }
    step_.set(std::nullopt);
}

}  // namespace kindora
