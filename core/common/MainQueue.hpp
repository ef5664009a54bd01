#pragma once

#include <functional>

namespace kindora {

// The way onto the main (UI) thread. Everything observable lives there; loops and background work
// post their continuations here, and main-thread controllers their deadlines. The application
// implements it with Qt, the headless agent with RunLoopMainQueue, tests with ManualMainQueue.
// Work that must not outlive its owner goes through a PostScope.
class MainQueue {
public:
    virtual ~MainQueue() = default;

    // Queues `work` to run on the main thread. Safe to call from any thread; never runs `work` inline.
    virtual void post(std::function<void()> work) = 0;
    // Queues `work` to run on the main thread once `seconds` have passed (as soon as possible for zero
    // or less): a deadline without a thread that sleeps until it. Safe to call from any thread; never
    // runs `work` inline. The delay is measured on a steady clock, which may not count time the
    // computer spends asleep: an owner whose deadline is a time of day checks the clock when it runs.
    virtual void postAfter(double seconds, std::function<void()> work) = 0;
};

}  // namespace kindora
