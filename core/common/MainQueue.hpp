#pragma once

#include <functional>

namespace kindora {

// The way onto the main (UI) thread. Everything observable lives there; loops and background work
// post their continuations here. The application implements it with Qt, tests with ManualMainQueue.
class MainQueue {
public:
    virtual ~MainQueue() = default;

    // Queues `work` to run on the main thread. Safe to call from any thread; never runs `work` inline.
    virtual void post(std::function<void()> work) = 0;
};

}  // namespace kindora
