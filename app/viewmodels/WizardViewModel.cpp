#include "app/viewmodels/WizardViewModel.hpp"

#include "app/texts/StatusTexts.hpp"

namespace kindora {

namespace {

constexpr double accessCheckInterval = 2.0;  // seconds

}  // namespace

WizardViewModel::WizardViewModel(Agent& agent, QObject* parent) : QObject(parent), agent_(agent) {
    subscription_ =
        agent_.setupWizardController().observeStep([this](const auto& step) { stepChanged(step); });
    stepChanged(agent_.setupWizardController().step());
}

WizardViewModel::~WizardViewModel() = default;

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

void WizardViewModel::advanceFromWelcome() {
    agent_.setupWizardController().advanceFromWelcome();
}

void WizardViewModel::advanceToDone() {
    agent_.setupWizardController().advanceToDone();
}

void WizardViewModel::finish() {
    agent_.setupWizardController().finish();
}

void WizardViewModel::close() {
    if (open()) {
        agent_.setupWizardController().close();
    }
}

void WizardViewModel::startPairing() {
    agent_.pairingController().startPairing();
}

void WizardViewModel::stepChanged(const std::optional<SetupStep>& step) {
    if (step) {
        lastStep_ = *step;  // the window keeps the last step on screen while it closes
    }
    if (step == SetupStep::fullDiskAccess) {
        watchForAccess();
    } else {
        retiredChecks_.retire(std::move(accessCheck_));
        grantDetected_ = false;
    }
    emit changed();
}

void WizardViewModel::watchForAccess() {
    if (accessCheck_) {
        return;
    }
    const auto check = agent_.services().hasFullDiskAccess;
    const auto databasePath = agent_.services().databasePath;
    const Sleeper sleeper = agent_.services().sleeper;
    accessCheck_ = std::make_unique<BackgroundTask>(
        agent_.services().mainQueue,
        [this, check, databasePath, sleeper](const BackgroundTask::Context& context) {
            // A grant only takes effect for a fresh process, so the step waits for a relaunch; this
            // only tells the user that the grant arrived.
            while (!context.isCancelled()) {
                if (check(databasePath)) {
                    context.post([this] {
                        grantDetected_ = true;
                        emit changed();
                    });
                    return;
                }
                if (!sleeper.sleep(accessCheckInterval, context.stopToken())) {
                    return;
                }
            }
        });
}

}  // namespace kindora
