#include "core/agent/TerminationSignals.hpp"

#include <pthread.h>
#include <unistd.h>

#include <utility>

namespace kindora {
namespace {

// Sent to the waiting thread alone to end it; never seen by the process as a whole.
constexpr int endSignal = SIGUSR2;

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> shutDown, std::function<void()> lastSave)
    : shutDown_(std::move(shutDown)), lastSave_(std::move(lastSave)) {
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
        // Asked twice: the person (or the session) will not wait for the clean shutdown.
        if (lastSave_) {
            lastSave_();
        }
        ::_exit(128 + received);
    }
}

}  // namespace kindora
