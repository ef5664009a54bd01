#include "core/credentials/SecretServiceWatcher.hpp"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

namespace kindora {
namespace {

// What is heard: any property change of a collection or item, the service's own collection
// signals, and the service's name changing hands.
constexpr const char* matches[] = {
    "type='signal',sender='org.freedesktop.secrets',interface='org.freedesktop.DBus.Properties',"
    "member='PropertiesChanged'",
    "type='signal',sender='org.freedesktop.secrets',interface='org.freedesktop.Secret.Service'",
    "type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',member='NameOwnerChanged',"
    "arg0='org.freedesktop.secrets'",
};

int onSignal(sd_bus_message*, void* userData, sd_bus_error*) {
    const auto& onChange = *static_cast<SecretStoreWatching::ChangeHandler*>(userData);
    if (onChange) {
        onChange();
    }
    return 0;
}

// The session bus with the matches added; null when either fails.
sd_bus* subscribe(SecretStoreWatching::ChangeHandler* onChange, std::string& error) {
    sd_bus* bus = nullptr;
    int result = sd_bus_open_user(&bus);
    for (const char* match : matches) {
        if (result < 0) {
            break;
        }
        // Floating slots: they go with the connection.
        result = sd_bus_add_match(bus, nullptr, match, onSignal, onChange);
    }
    if (result < 0) {
        error = std::strerror(-result);
        sd_bus_flush_close_unref(bus);
        return nullptr;
    }
    return bus;
}

}  // namespace

SecretServiceWatcher::~SecretServiceWatcher() {
    stop();
}

void SecretServiceWatcher::start(ChangeHandler onChange) {
    if (thread_.isRunning()) {
        return;
    }
    onChange_ = std::move(onChange);
    std::string error;
    sd_bus* bus = subscribe(&onChange_, error);
    if (bus == nullptr) {
        logger_.error("Cannot watch the keyring on the session bus ({}); trying again every {} s", error,
                      retrySeconds);
    }
    if (!thread_.start([this, bus](int stopEvent) { run(stopEvent, bus); })) {
        logger_.error("Cannot watch the keyring: {}", std::strerror(errno));
        sd_bus_flush_close_unref(bus);
    }
}

void SecretServiceWatcher::stop() {
    thread_.stop();
}

void SecretServiceWatcher::run(int stopEvent, void* connection) {
    auto* bus = static_cast<sd_bus*>(connection);
    for (;;) {
        pollfd descriptors[2] = {{stopEvent, POLLIN, 0}, {-1, 0, 0}};
        int timeout = retrySeconds * 1000;
        if (bus != nullptr) {
            descriptors[1] = {sd_bus_get_fd(bus), static_cast<short>(std::max(sd_bus_get_events(bus), 0)), 0};
            timeout = -1;
        }
        const int ready = ::poll(descriptors, bus != nullptr ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR) {
            logger_.error("Watching the keyring failed: {}", std::strerror(errno));
            break;
        }
        if ((descriptors[0].revents & POLLIN) != 0) {
            break;
        }
        if (bus == nullptr) {
            std::string error;
            bus = subscribe(&onChange_, error);
            if (bus != nullptr && onChange_) {
                onChange_();  // the bus is back: the keyring may have come with it
            }
            continue;
        }
        int result = 0;
        while ((result = sd_bus_process(bus, nullptr)) > 0) {
        }
        if (result < 0) {
            logger_.error("Lost the session bus while watching the keyring ({})", std::strerror(-result));
            bus = sd_bus_flush_close_unref(bus);
        }
    }
    sd_bus_flush_close_unref(bus);
}

}  // namespace kindora
