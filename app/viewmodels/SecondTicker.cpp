#include "app/viewmodels/SecondTicker.hpp"

#include <utility>

namespace kindora {

SecondTicker::SecondTicker(MainQueue& queue, std::function<void()> onTick)
    : queue_(queue), onTick_(std::move(onTick)) {}

void SecondTicker::setRunning(bool running) {
    if (running == isRunning()) {
        return;
    }
    if (running) {
        ticks_ = std::make_unique<PostScope>(queue_);
        ++runs_;
        scheduleNextTick();
    } else {
        ticks_.reset();
    }
}

void SecondTicker::scheduleNextTick() {
    ticks_->postAfter(1.0, [this, run = runs_] {
        onTick_();
        if (ticks_ && run == runs_) {  // the tick may have stopped (or restarted) the clock
            scheduleNextTick();
        }
    });
}

}  // namespace kindora
