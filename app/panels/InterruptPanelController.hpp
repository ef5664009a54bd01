#pragma once

#include <vector>

#include "app/panels/AlertSound.hpp"
#include "app/panels/PanelSurfaces.hpp"
#include "core/common/Observable.hpp"
#include "core/interrupts/InterruptController.hpp"

namespace kindora {

// Puts the household alert the interrupt controller presents in front of the user: shows the alert
// panel (centred on the primary screen, above every window, with the keyboard) and plays the alert
// sound whenever the presented group changes while something is presented, and hides the panel when
// nothing is. It never decides what to show. Main thread only; lives as long as the front end.
class InterruptPanelController {
public:
    InterruptPanelController(InterruptController& controller, InterruptPanelSurface& panel,
                             AlertSound& sound);
    InterruptPanelController(const InterruptPanelController&) = delete;
    InterruptPanelController& operator=(const InterruptPanelController&) = delete;

private:
    void update();

    InterruptController& controller_;
    InterruptPanelSurface& panel_;
    AlertSound& sound_;
    // What the last update showed: the controller tells of every change of its state (an action in
    // flight, an error), but only a new group is news that brings the panel forward with a sound.
    std::vector<Interrupt> shownGroup_;
    Subscription subscription_;
};

}  // namespace kindora
