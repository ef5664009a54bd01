#include "core/agent/AlertTakeoverLink.hpp"

namespace kindora {

AlertTakeoverLink::AlertTakeoverLink(InterruptController& interrupts, MeetingDisruptController& meetings)
    : interrupts_(interrupts), meetings_(meetings), subscription_(interrupts_.observe([this] { update(); })) {
    update();
}

void AlertTakeoverLink::update() {
    // The interrupt controller reports every change of its state; only a change of "an alert is on
    // screen" is news to the takeover.
    const bool presenting = interrupts_.presentedInterrupt().has_value();
    if (presenting != meetings_.isAlertInterruptPresenting()) {
        meetings_.setAlertInterruptPresenting(presenting);
    }
}

}  // namespace kindora
