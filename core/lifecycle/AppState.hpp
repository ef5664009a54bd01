#pragma once

#include "core/common/Observable.hpp"
#include "core/lifecycle/Phase.hpp"

namespace kindora {

// The application's phase, observed by the menu bar and used by the composition root to start and
// stop the loops. Lives on the main thread and is touched only there.
class AppState {
public:
    explicit AppState(Phase phase = Phase::signedOut());

    const Phase& phase() const { return phase_.value(); }
    // Notifies observers only when the phase really changes.
    void setPhase(Phase phase);
    [[nodiscard]] Subscription observePhase(Observable<Phase>::Observer observer) const;

    // Derives the phase from whether a device token is stored and whether the Messages database can
    // be read. A pairing in progress survives a missing token, and a running agent keeps its health.
    void recomputePhase(bool hasCredentials, bool fdaOK);

private:
    Observable<Phase> phase_;
};

}  // namespace kindora
