#include "core/agent/LogindWakeSource.hpp"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace kindora {

// One connection to the system bus with the match for logind's sleep signal.
class LogindWakeSource::Connection {
public:
    // Connects and subscribes; on failure `error` holds the reason and the connection is unusable.
    explicit Connection(const WakeSource::WakeHandler* onWake) : onWake_(onWake) {
        int result = sd_bus_open_system(&bus_);
        if (result >= 0) {
            result = sd_bus_match_signal(bus_, &slot_, "org.freedesktop.login1", "/org/freedesktop/login1",
                                         "org.freedesktop.login1.Manager", "PrepareForSleep",
                                         &Connection::prepareForSleep, this);
        }
        if (result < 0) {
            error_ = std::strerror(-result);
            close();
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { close(); }

    void close() {
        slot_ = sd_bus_slot_unref(slot_);
        bus_ = sd_bus_flush_close_unref(bus_);
    }

    bool isOpen() const { return bus_ != nullptr; }
    const std::string& error() const { return error_; }
    int descriptor() const { return sd_bus_get_fd(bus_); }
    short events() const { return static_cast<short>(std::max(sd_bus_get_events(bus_), 0)); }
    int timeoutMilliseconds() const {
        std::uint64_t until = 0;
        if (sd_bus_get_timeout(bus_, &until) < 0 || until == UINT64_MAX) {
            return -1;
        }
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const std::uint64_t nowMicroseconds = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000u +
                                              static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
        if (until <= nowMicroseconds) {
            return 0;
        }
        return static_cast<int>(std::min<std::uint64_t>((until - nowMicroseconds + 999) / 1000, 60'000));
    }

    // Handles everything that arrived; false when the connection was lost.
    bool process() {
        for (;;) {
            const int result = sd_bus_process(bus_, nullptr);
            if (result < 0) {
                error_ = std::strerror(-result);
                return false;
            }
            if (result == 0) {
                return true;
            }
        }
    }

private:
    static int prepareForSleep(sd_bus_message* message, void* userData, sd_bus_error*) {
        auto* self = static_cast<Connection*>(userData);
        int start = 0;
        // PrepareForSleep(true) comes before the sleep, PrepareForSleep(false) after the wake.
        if (sd_bus_message_read(message, "b", &start) >= 0 && start == 0 && *self->onWake_) {
            (*self->onWake_)();
        }
        return 0;
    }

    const WakeSource::WakeHandler* onWake_;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* slot_ = nullptr;
    std::string error_;
};

LogindWakeSource::~LogindWakeSource() {
    stop();
}

void LogindWakeSource::start(WakeHandler onWake) {
    if (thread_.isRunning()) {
        return;
    }
    onWake_ = std::move(onWake);
    auto connection = std::make_shared<std::unique_ptr<Connection>>(std::make_unique<Connection>(&onWake_));
    if (!thread_.start([this, connection](int stopEvent) { run(stopEvent, std::move(*connection)); })) {
        logger_.error("Cannot listen for wake from sleep: {}", std::strerror(errno));
    }
}

void LogindWakeSource::stop() {
    thread_.stop();
}

void LogindWakeSource::run(int stopEvent, std::unique_ptr<Connection> connection) {
    bool loggedFailure = false;
    for (;;) {
        if (!connection->isOpen() && !loggedFailure) {
            logger_.error("Cannot listen for wake from sleep on the system bus ({}); trying again every {} s",
                          connection->error(), retrySeconds);
            loggedFailure = true;
        }
        pollfd descriptors[2] = {{stopEvent, POLLIN, 0}, {-1, 0, 0}};
        int timeout = static_cast<int>(retrySeconds * 1000);
        if (connection->isOpen()) {
            descriptors[1] = {connection->descriptor(), connection->events(), 0};
            timeout = connection->timeoutMilliseconds();
        }
        const int ready = ::poll(descriptors, connection->isOpen() ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR) {
            logger_.error("Listening for wake from sleep failed: {}", std::strerror(errno));
            return;
        }
        if ((descriptors[0].revents & POLLIN) != 0) {
            return;
        }
        if (!connection->isOpen()) {
            connection = std::make_unique<Connection>(&onWake_);  // the retry time is up
            if (connection->isOpen()) {
                loggedFailure = false;
            }
        } else if (!connection->process()) {
            logger_.error("Lost the system bus ({}); trying again every {} s", connection->error(),
                          retrySeconds);
            loggedFailure = true;
            connection->close();
        }
    }
}

}  // namespace kindora
