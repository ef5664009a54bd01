#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/panels/AlertSound.hpp"
#include "core/common/Log.hpp"

struct ca_context;

namespace kindora {

// The alert sound of the desktop's sound theme ("message-new-instant" of the freedesktop theme),
// played through libcanberra. Opening the sound server may take a while, so sounds are played on a
// thread of their own and `play` returns at once; a request while one is pending is merged into it.
// A computer without a sound server or theme stays quiet: that is logged once, at debug level.
class CanberraAlertSound final : public AlertSound {
public:
    static constexpr const char* eventID = "message-new-instant";

    CanberraAlertSound();
    ~CanberraAlertSound() override;
    CanberraAlertSound(const CanberraAlertSound&) = delete;
    CanberraAlertSound& operator=(const CanberraAlertSound&) = delete;

    void play() override;

private:
    void run();

    const Log logger_{"AppDelegate"};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool pending_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace kindora
