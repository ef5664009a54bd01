#include "app/viewmodels/WizardViewModel.hpp"

#include "app/texts/StatusTexts.hpp"

namespace kindora {

WizardViewModel::WizardViewModel(SetupWizardController& wizard, const Observable<bool>& grantDetected,
                                 QObject* parent)
    : QObject(parent), wizard_(wizard), grantDetected_(grantDetected) {
    subscriptions_.push_back(wizard_.observeStep([this](const auto& step) { stepChanged(step); }));
    subscriptions_.push_back(grantDetected_.observe([this](bool) { emit changed(); }));
    stepChanged(wizard_.step());
}

WizardViewModel::Step WizardViewModel::step() const {
    switch (lastStep_.value()) {
        case SetupStep::welcome:
            return Step::Welcome;
        case SetupStep::fullDiskAccess:
            return Step::FullDiskAccess;
        case SetupStep::pairing:
            return Step::Pairing;
        case SetupStep::preferences:
            return Step::Preferences;
        case SetupStep::done:
            return Step::Done;
    }
    return Step::Welcome;
}

QString WizardViewModel::stepsLeft() const {
    return StatusTexts::stepsLeft(lastStep_.stepsRemaining()).value_or(QString());
}

void WizardViewModel::close() {
    if (open()) {
        wizard_.close();
    }
}

void WizardViewModel::stepChanged(const std::optional<SetupStep>& step) {
    if (step) {
        lastStep_ = *step;  // the window keeps the last step on screen while it closes
    }
    emit changed();
}

}  // namespace kindora
