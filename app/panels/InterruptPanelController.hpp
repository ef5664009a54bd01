#pragma once

#include <vector>

#include "app/panels/AlertSound.hpp"
#include "app/panels/PanelSurfaces.hpp"
#include "core/common/Observable.hpp"
#include "core/interrupts/InterruptController.hpp"

namespace kindora {

// Puts the household alert the interrupt controller presents in front of the user: shows the alert
// panel (centred on the screen the person works on, above every managed window, with the keyboard)
// and plays the alert sound whenever the presented group changes while something is presented, and
// hides the panel when nothing is. While the session is locked nothing is shown (no household text on
// a lock screen); what is still presented when it unlocks comes forward then, with the sound. It never
// decides what to show. Main thread only; lives as long as the front end.
class InterruptPanelController {
public:
    InterruptPanelController(InterruptController& controller, InterruptPanelSurface& panel, AlertSound& sound,
                             const Observable<bool>& sessionLocked);
    InterruptPanelController(const InterruptPanelController&) = delete;
    InterruptPanelController& operator=(const InterruptPanelController&) = delete;

private:
    void update();

    InterruptController& controller_;
    InterruptPanelSurface& panel_;
    AlertSound& sound_;
    const Observable<bool>& sessionLocked_;
    // What the last update showed: the controller tells of every change of its state (an action in
    // flight, an error), but only a new group is news that brings the panel forward with a sound.
    std::vector<Interrupt> shownGroup_;
    Subscription subscription_;
    Subscription lockSubscription_;
};

}  // namespace kindora
