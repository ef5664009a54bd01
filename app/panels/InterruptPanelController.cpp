#include "app/panels/InterruptPanelController.hpp"

namespace kindora {

InterruptPanelController::InterruptPanelController(InterruptController& controller,
                                                   InterruptPanelSurface& panel, AlertSound& sound)
    : controller_(controller), panel_(panel), sound_(sound) {
    subscription_ = controller_.observe([this] { update(); });
    update();
}

void InterruptPanelController::update() {
    const auto& group = controller_.presentedGroup();
    if (group.empty()) {
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
