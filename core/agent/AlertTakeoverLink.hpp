#pragma once

#include "core/common/Observable.hpp"
#include "core/interrupts/InterruptController.hpp"
#include "core/meetings/MeetingDisruptController.hpp"

namespace kindora {

// A household alert on screen holds every meeting takeover back; when it goes, a meeting still in
// its window is taken over. This tells the meeting disrupt controller whether the interrupt
// controller presents an alert, from construction on and after every change, for as long as it lives.
// It is the one place that does so: a front end whose alert panel reports what is really on screen
// may take the link over from here. Main thread only.
class AlertTakeoverLink {
public:
    AlertTakeoverLink(InterruptController& interrupts, MeetingDisruptController& meetings);

private:
    void update();

    InterruptController& interrupts_;
    MeetingDisruptController& meetings_;
    Subscription subscription_;
};

}  // namespace kindora
