#include "core/agent/LogindSessionLockSource.hpp"

#include "core/common/Log.hpp"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

namespace kindora {

namespace {

constexpr const char* logindName = "org.freedesktop.login1";
constexpr const char* sessionInterface = "org.freedesktop.login1.Session";
constexpr const char* screenSaverInterface = "org.freedesktop.ScreenSaver";
// A service that does not answer within this long is treated as absent for now.
constexpr std::uint64_t callTimeoutMicroseconds = 3'000'000;

std::uint64_t monotonicMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

// One bus connection and the matches on it.
class Bus {
public:
    Bus() = default;
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;
    ~Bus() { close(); }

    bool isOpen() const { return bus_ != nullptr; }
    sd_bus* get() const { return bus_; }
    sd_bus** out() { return &bus_; }

    void addSlot(sd_bus_slot* slot) { slots_[slotCount_++ % maxSlots] = slot; }

    void close() {
        for (auto*& slot : slots_) {
            slot = sd_bus_slot_unref(slot);
        }
        bus_ = sd_bus_flush_close_unref(bus_);
    }

    pollfd descriptor() const {
        return {sd_bus_get_fd(bus_), static_cast<short>(std::max(sd_bus_get_events(bus_), 0)), 0};
    }

    // Milliseconds until sd-bus wants to run again (a pending call's time-out); -1 for never.
    int timeoutMilliseconds() const {
        std::uint64_t until = 0;
        if (sd_bus_get_timeout(bus_, &until) < 0 || until == UINT64_MAX) {
            return -1;
        }
        const std::uint64_t now = monotonicMicroseconds();
        return until <= now ? 0 : static_cast<int>(std::min<std::uint64_t>((until - now + 999) / 1000, 60'000));
    }

    // Handles everything that arrived; false when the connection was lost.
    bool process() {
        for (;;) {
            const int result = sd_bus_process(bus_, nullptr);
            if (result < 0) {
                return false;
            }
            if (result == 0) {
                return true;
            }
        }
    }

private:
    static constexpr std::size_t maxSlots = 4;
    sd_bus* bus_ = nullptr;
    sd_bus_slot* slots_[maxSlots] = {};
    std::size_t slotCount_ = 0;
};

// Calls a method that answers one boolean; nullopt when it could not be asked or did not answer.
std::optional<bool> callForBoolean(sd_bus* bus, const char* destination, const char* path,
                                   const char* interface, const char* member) {
    sd_bus_error error{};
    sd_bus_message* request = nullptr;
    sd_bus_message* reply = nullptr;
    std::optional<bool> answer;
    if (sd_bus_message_new_method_call(bus, &request, destination, path, interface, member) >= 0 &&
        sd_bus_message_set_auto_start(request, 0) >= 0 &&
        sd_bus_call(bus, request, callTimeoutMicroseconds, &error, &reply) >= 0) {
        int value = 0;
        if (sd_bus_message_read(reply, "b", &value) >= 0) {
            answer = value != 0;
        }
    }
    sd_bus_message_unref(reply);
    sd_bus_message_unref(request);
    sd_bus_error_free(&error);
    return answer;
}

}  // namespace

// Everything the listening thread owns: the two connections and what each last said.
class LogindSessionLockSource::Listener {
public:
    explicit Listener(LockHandler onChange) : onChange_(std::move(onChange)) {}

    void run(int stopEvent) {
        std::uint64_t nextRetry = 0;
        for (;;) {
            if (monotonicMicroseconds() >= nextRetry) {
                connectWhatIsMissing();
                nextRetry = monotonicMicroseconds() + static_cast<std::uint64_t>(retrySeconds * 1e6);
            }
            pollfd descriptors[3] = {{stopEvent, POLLIN, 0}, {-1, 0, 0}, {-1, 0, 0}};
            int timeout = static_cast<int>(std::max<std::int64_t>(
                0, static_cast<std::int64_t>(nextRetry - std::min(nextRetry, monotonicMicroseconds())) / 1000));
            if (logind_.isOpen()) {
                descriptors[1] = logind_.descriptor();
                timeout = earliest(timeout, logind_.timeoutMilliseconds());
            }
            if (screenSaver_.isOpen()) {
                descriptors[2] = screenSaver_.descriptor();
                timeout = earliest(timeout, screenSaver_.timeoutMilliseconds());
            }
            if (::poll(descriptors, 3, timeout) < 0 && errno != EINTR) {
                logger_.error("Listening for the session's lock failed: {}", std::strerror(errno));
                return;
            }
            if ((descriptors[0].revents & POLLIN) != 0) {
                return;
            }
            if (logind_.isOpen() && !logind_.process()) {
                logger_.error("Lost logind on the system bus; the session's lock is asked again in {} s",
                              retrySeconds);
                logind_.close();
                logindLocked_ = false;
            }
            if (screenSaver_.isOpen() && !screenSaver_.process()) {
                screenSaver_.close();
                screenSaverActive_ = false;
            }
            report();
        }
    }

private:
    static int earliest(int a, int b) {
        if (a < 0) {
            return b;
        }
        return b < 0 ? a : std::min(a, b);
    }

    void connectWhatIsMissing() {
        if (!logind_.isOpen()) {
            connectLogind();
        }
        if (!screenSaver_.isOpen()) {
            connectScreenSaver();
        }
        report();
    }

    void connectLogind() {
        if (sd_bus_open_system(logind_.out()) < 0) {
            logOnce(loggedLogind_, "No system bus: the session's lock is not known from logind");
            logind_.close();
            return;
        }
        const std::optional<std::string> path = sessionPath();
        if (!path) {
            logOnce(loggedLogind_, "logind knows no session of this process: its lock is not followed");
            logind_.close();
            return;
        }
        sessionPath_ = *path;
        sd_bus_slot* slot = nullptr;
        if (sd_bus_match_signal(logind_.get(), &slot, logindName, sessionPath_.c_str(), sessionInterface, "Lock",
                                &Listener::lockSignal, this) < 0) {
            logind_.close();
            return;
        }
        logind_.addSlot(slot);
        sd_bus_match_signal(logind_.get(), &slot, logindName, sessionPath_.c_str(), sessionInterface, "Unlock",
                            &Listener::unlockSignal, this);
        logind_.addSlot(slot);
        sd_bus_match_signal(logind_.get(), &slot, logindName, sessionPath_.c_str(),
                            "org.freedesktop.DBus.Properties", "PropertiesChanged",
                            &Listener::propertiesChanged, this);
        logind_.addSlot(slot);
        readLockedHint();
        loggedLogind_ = false;
    }

    // This process's session: the one logind gives for its pid, else the one the environment names.
    std::optional<std::string> sessionPath() {
        sd_bus_error error{};
        sd_bus_message* reply = nullptr;
        std::optional<std::string> path;
        if (sd_bus_call_method(logind_.get(), logindName, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                               "GetSessionByPID", &error, &reply, "u", static_cast<std::uint32_t>(::getpid())) < 0) {
            sd_bus_error_free(&error);
            reply = sd_bus_message_unref(reply);
            const char* id = std::getenv("XDG_SESSION_ID");
            if (id && *id) {
                sd_bus_call_method(logind_.get(), logindName, "/org/freedesktop/login1",
                                   "org.freedesktop.login1.Manager", "GetSession", &error, &reply, "s", id);
            }
        }
        const char* object = nullptr;
        if (reply && sd_bus_message_read(reply, "o", &object) >= 0 && object) {
            path = object;
        }
        sd_bus_message_unref(reply);
        sd_bus_error_free(&error);
        return path;
    }

    void readLockedHint() {
        sd_bus_error error{};
        int hint = 0;
        if (sd_bus_get_property_trivial(logind_.get(), logindName, sessionPath_.c_str(), sessionInterface,
                                        "LockedHint", &error, 'b', &hint) >= 0) {
            logindLocked_ = hint != 0;
        }
        sd_bus_error_free(&error);
    }

    void connectScreenSaver() {
        if (sd_bus_open_user(screenSaver_.out()) < 0) {
            screenSaver_.close();
            return;
        }
        sd_bus_slot* slot = nullptr;
        if (sd_bus_match_signal(screenSaver_.get(), &slot, nullptr, nullptr, screenSaverInterface, "ActiveChanged",
                                &Listener::activeChanged, this) < 0) {
            screenSaver_.close();
            return;
        }
        screenSaver_.addSlot(slot);
        // Desktops without the service simply never say anything; nothing is started to ask.
        screenSaverActive_ = callForBoolean(screenSaver_.get(), screenSaverInterface, "/org/freedesktop/ScreenSaver",
                                            screenSaverInterface, "GetActive")
                                 .value_or(false);
    }

    static int lockSignal(sd_bus_message*, void* self, sd_bus_error*) {
        static_cast<Listener*>(self)->logindLocked_ = true;
        return 0;
    }

    static int unlockSignal(sd_bus_message*, void* self, sd_bus_error*) {
        static_cast<Listener*>(self)->logindLocked_ = false;
        return 0;
    }

    static int propertiesChanged(sd_bus_message* message, void* userData, sd_bus_error*) {
        auto* self = static_cast<Listener*>(userData);
        const char* interface = nullptr;
        if (sd_bus_message_read(message, "s", &interface) < 0 || !interface ||
            std::strcmp(interface, sessionInterface) != 0) {
            return 0;
        }
        if (sd_bus_message_enter_container(message, 'a', "{sv}") < 0) {
            return 0;
        }
        while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
            const char* name = nullptr;
            if (sd_bus_message_read(message, "s", &name) < 0) {
                return 0;
            }
            if (name && std::strcmp(name, "LockedHint") == 0) {
                int hint = 0;
                if (sd_bus_message_read(message, "v", "b", &hint) >= 0) {
                    self->logindLocked_ = hint != 0;
                }
            } else {
                sd_bus_message_skip(message, "v");
            }
            sd_bus_message_exit_container(message);
        }
        return 0;
    }

    static int activeChanged(sd_bus_message* message, void* self, sd_bus_error*) {
        int active = 0;
        if (sd_bus_message_read(message, "b", &active) >= 0) {
            static_cast<Listener*>(self)->screenSaverActive_ = active != 0;
        }
        return 0;
    }

    void report() {
        const bool locked = logindLocked_ || screenSaverActive_;
        if (reported_ != locked) {
            if (reported_ || locked) {  // an unlocked session at start is no news
                logger_.info("Session {}", locked ? "locked" : "unlocked");
            }
            reported_ = locked;
            onChange_(locked);
        }
    }

    void logOnce(bool& logged, const char* text) {
        if (!logged) {
            logger_.info("{}", text);
            logged = true;
        }
    }

    LockHandler onChange_;
    Bus logind_;
    Bus screenSaver_;
    std::string sessionPath_;
    bool logindLocked_ = false;
    bool screenSaverActive_ = false;
    std::optional<bool> reported_;
    bool loggedLogind_ = false;
    const Log logger_{"AppDelegate"};
};

LogindSessionLockSource::LogindSessionLockSource() = default;

LogindSessionLockSource::~LogindSessionLockSource() {
    stop();
}

void LogindSessionLockSource::start(LockHandler onChange) {
    if (thread_.isRunning()) {
        return;
    }
    listener_ = std::make_unique<Listener>(std::move(onChange));
    if (!thread_.start([listener = listener_.get()](int stopEvent) { listener->run(stopEvent); })) {
        Log("AppDelegate").error("Cannot follow the session's lock: {}", std::strerror(errno));
    }
}

void LogindSessionLockSource::stop() {
    thread_.stop();
    listener_.reset();
}

}  // namespace kindora
