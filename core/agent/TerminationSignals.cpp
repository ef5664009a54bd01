#include "core/agent/TerminationSignals.hpp"

#include <pthread.h>
#include <unistd.h>

#include <utility>

#include "core/common/Log.hpp"

namespace kindora {
namespace {

// Sent to the waiting thread alone to end it; never seen by the process as a whole.
constexpr int endSignal = SIGUSR2;

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> shutDown) : shutDown_(std::move(shutDown)) {
    ::signal(SIGPIPE, SIG_IGN);
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGTERM);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, endSignal);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    thread_ = std::thread([this] { run(); });
}

TerminationSignals::~TerminationSignals() {
    pthread_kill(thread_.native_handle(), endSignal);
    thread_.join();
}

void TerminationSignals::setLastSave(std::function<void()> lastSave) {
    const std::lock_guard lock(lastSaveMutex_);
    lastSave_ = std::move(lastSave);
}

void TerminationSignals::run() {
    int received = 0;
    bool shuttingDown = false;
    while (sigwait(&signals_, &received) == 0) {
        if (received == endSignal) {
            return;
        }
        if (!shuttingDown) {
            shuttingDown = true;
            if (shutDown_) {
                shutDown_();
            }
            continue;
        }
        // Asked twice: the person (or the session) will not wait for the clean shutdown. The mutex stays
        // held: nothing the last save touches goes away before the process ends.
        lastSaveMutex_.lock();
        if (lastSave_) {
            lastSave_();
        }
        Log::flush();
        ::_exit(128 + received);
    }
}

}  // namespace kindora
