#pragma once

#include <functional>
#include <memory>

#include "core/common/MainQueue.hpp"
#include "core/common/PostScope.hpp"

namespace kindora {

// The clock of a view that shows a time counting down: while it runs it calls `onTick` once a second
// on the main queue, and while it is stopped nothing is scheduled at all. A view runs it only while
// it is on screen. Main thread only.
class SecondTicker {
public:
    SecondTicker(MainQueue& queue, std::function<void()> onTick);

    void setRunning(bool running);
    bool isRunning() const { return ticks_ != nullptr; }

private:
    void scheduleNextTick();

    MainQueue& queue_;
    std::function<void()> onTick_;
    // Open while running; stopping drops the tick that was scheduled.
    std::unique_ptr<PostScope> ticks_;
    unsigned long runs_ = 0;
};

}  // namespace kindora
