#include "app/viewmodels/UpdaterController.hpp"

#include "app/texts/UpdateTexts.hpp"

namespace kindora {

UpdaterController::UpdaterController(Updater& updater, std::function<void()> activateApplication,
                                     std::function<void()> relaunch, QObject* parent)
    : QObject(parent),
      updater_(updater),
      activateApplication_(std::move(activateApplication)),
      relaunch_(std::move(relaunch)) {
    const auto notify = [this](const auto&) { emit changed(); };
    subscriptions_.push_back(updater_.pendingUpdate().observe(notify));
    subscriptions_.push_back(updater_.canCheckForUpdates().observe(notify));
    subscriptions_.push_back(updater_.isInstalling().observe(notify));
    subscriptions_.push_back(updater_.lastError().observe(notify));
}

QString UpdaterController::pendingText() const {
    return UpdateTexts::pendingUpdate(updater_.pendingUpdate().value());
}

QString UpdaterController::actionTitle() const {
    return UpdateTexts::actionTitle(updater_.pendingUpdate().value());
}

bool UpdaterController::actionEnabled() const {
    return updater_.canCheckForUpdates().value() && !updater_.isInstalling().value();
}

QString UpdaterController::caption() const {
    return UpdateTexts::caption(updater_.pendingUpdate().value(), updater_.isInstalling().value(), updater_.lastError().value());
}

bool UpdaterController::captionIsError() const {
    return !updater_.isInstalling().value() && updater_.lastError().value().has_value();
}

void UpdaterController::performAction() {
    if (!actionEnabled()) {
        return;
    }
    if (activateApplication_) {
        activateApplication_();
    }
    const auto& pending = updater_.pendingUpdate().value();
    if (pending && pending->isDownloaded) {
        updater_.installUpdate(relaunch_);
    } else {
        updater_.checkForUpdates();
    }
}

}  // namespace kindora
