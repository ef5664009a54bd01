#include "app/platform/CanberraAlertSound.hpp"

#include <canberra.h>

namespace kindora {

CanberraAlertSound::CanberraAlertSound() : thread_([this] { run(); }) {}

CanberraAlertSound::~CanberraAlertSound() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void CanberraAlertSound::play() {
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
    }
    wake_.notify_all();
}

void CanberraAlertSound::run() {
    ca_context* context = nullptr;
    bool reportedSilence = false;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return pending_ || stopping_; });
            if (stopping_) {
                break;
            }
            pending_ = false;
        }
        int result = context ? CA_SUCCESS : ca_context_create(&context);
        if (result == CA_SUCCESS) {
            result = ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Kindora",
                                             CA_PROP_APPLICATION_ID, "com.quillmere.kindora", nullptr);
        }
        if (result == CA_SUCCESS) {
            result = ca_context_play(context, 0, CA_PROP_EVENT_ID, eventID, CA_PROP_EVENT_DESCRIPTION,
                                     "Household alert or meeting", nullptr);
        }
        if (result != CA_SUCCESS && !reportedSilence) {
            reportedSilence = true;
            logger_.debug("alert sound not played: {}", ca_strerror(result));
        }
    }
    if (context) {
        ca_context_destroy(context);
    }
}

}  // namespace kindora
