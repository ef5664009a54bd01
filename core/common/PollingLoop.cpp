#include "core/common/PollingLoop.hpp"

#include <exception>
#include <utility>

namespace kindora {
namespace {

// A tick that throws despite catching everything itself is a bug; the loop survives it and retries
// after this delay rather than spinning.
constexpr double delayAfterEscapedFailure = 60.0;

}  // namespace

PollingLoop::PollingLoop(std::string name, Sleeper sleeper, Tick tick, WakeDuringTick wakeDuringTick)
    : name_(std::move(name)),
      sleeper_(std::move(sleeper)),
      tick_(std::move(tick)),
      wakeDuringTick_(wakeDuringTick),
      logger_("PollingLoop") {}

PollingLoop::~PollingLoop() {
    stop();
    std::lock_guard lifecycle(lifecycleMutex_);
    if (thread_.joinable()) {
        thread_.join();
    }
}

void PollingLoop::start() {
    std::lock_guard lifecycle(lifecycleMutex_);
    {
        std::lock_guard state(stateMutex_);
        if (running_) {
            return;
        }
    }
    if (thread_.joinable()) {
        thread_.join();  // the previous run was stopped; let its last tick finish first
    }
    StopToken token;
    {
        std::lock_guard state(stateMutex_);
        running_ = true;
        loopStop_ = StopSource();
        token = loopStop_.get_token();
    }
    thread_ = std::thread([this, token] { run(token); });
}

void PollingLoop::stop() {
    std::lock_guard state(stateMutex_);
    running_ = false;
    loopStop_.request_stop();
    if (waitStop_) {
        waitStop_->request_stop();
    }
}

void PollingLoop::tickNow() {
    std::lock_guard state(stateMutex_);
    if (waitStop_) {
        waitStop_->request_stop();
    } else if (ticking_) {
        wokenDuringTick_ = true;
    }
}

void PollingLoop::keepNextWait() {
    std::lock_guard state(stateMutex_);
    wokenDuringTick_ = false;
}

void PollingLoop::join() {
    std::lock_guard lifecycle(lifecycleMutex_);
    {
        std::lock_guard state(stateMutex_);
        if (running_) {
            return;  // only a stopped loop's thread ends by itself
        }
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool PollingLoop::isRunning() const {
    std::lock_guard state(stateMutex_);
    return running_;
}

void PollingLoop::run(StopToken stop) {
    while (!stop.stop_requested()) {
        {
            std::lock_guard state(stateMutex_);
            ticking_ = true;
            wokenDuringTick_ = false;  // this tick answers every wake so far
        }
        const double delay = runTick(stop);
        StopSource wait;
        {
            std::lock_guard state(stateMutex_);
            ticking_ = false;
            if (stop.stop_requested()) {
                break;
            }
            const bool wokenDuringTick = std::exchange(wokenDuringTick_, false);
            if (wokenDuringTick && wakeDuringTick_ == WakeDuringTick::runsAnotherTick) {
                continue;  // something changed while the tick was already past it
            }
            waitStop_ = wait;
        }
        {
            const auto forwardToWait = [&wait] { wait.request_stop(); };
            const StopCallback<decltype(forwardToWait)> forwardStop(stop, forwardToWait);
            sleeper_.sleep(delay, wait.get_token());
        }
        std::lock_guard state(stateMutex_);
        waitStop_.reset();
    }
}

double PollingLoop::runTick(StopToken stop) {
    try {
        return tick_(std::move(stop));
    } catch (const std::exception& error) {
        logger_.fault("{} tick threw, retrying in {} s: {}", name_, delayAfterEscapedFailure, error.what());
    } catch (...) {
        logger_.fault("{} tick threw, retrying in {} s", name_, delayAfterEscapedFailure);
    }
    return delayAfterEscapedFailure;
}

}  // namespace kindora
