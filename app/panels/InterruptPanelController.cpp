#include "app/panels/InterruptPanelController.hpp"

namespace kindora {

InterruptPanelController::InterruptPanelController(InterruptController& controller,
                                                   InterruptPanelSurface& panel, AlertSound& sound,
                                                   const Observable<bool>& sessionLocked)
    : controller_(controller), panel_(panel), sound_(sound), sessionLocked_(sessionLocked) {
    subscription_ = controller_.observe([this] { update(); });
    lockSubscription_ = sessionLocked_.observe([this](bool) { update(); });
    update();
}

void InterruptPanelController::update() {
    const auto& group = controller_.presentedGroup();
    if (group.empty() || sessionLocked_.value() || !panel_.canShow()) {
        // Not on screen, so whatever is presented once it can be is news again.
        shownGroup_.clear();
        if (panel_.isShown()) {
            panel_.hide();
        }
        return;
    }
    if (group == shownGroup_ && panel_.isShown()) {
        return;  // the content follows the controller by itself
    }
    shownGroup_ = group;
    panel_.show();
    sound_.play();
}

}  // namespace kindora
