#include "core/messagesdb/InotifyChatDBChangeWatcher.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

namespace kindora {

namespace {

using SteadyClock = std::chrono::steady_clock;

std::string errnoText(int error) {
    return std::system_category().message(error);
}

int pollTimeoutMilliseconds(std::optional<SteadyClock::time_point> deadline) {
    if (!deadline) {
        return -1;
    }
    const auto remaining =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline - SteadyClock::now()).count();
    return static_cast<int>(std::clamp<std::int64_t>(remaining, 0, 24 * 3600 * 1000));
}

SteadyClock::duration secondsToDuration(double seconds) {
    return std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double>(std::max(seconds, 0.0)));
}

}  // namespace

// One inotify instance watching one directory; closes its descriptor when it goes.
class InotifyChatDBChangeWatcher::Watch {
public:
    Watch() = default;
    Watch(int descriptor, std::string directory, std::string databaseName)
        : descriptor_(descriptor),
          directory_(std::move(directory)),
          databaseName_(std::move(databaseName)),
          walName_(databaseName_ + "-wal") {}
    Watch(Watch&& other) noexcept
        : descriptor_(std::exchange(other.descriptor_, -1)),
          directory_(std::move(other.directory_)),
          databaseName_(std::move(other.databaseName_)),
          walName_(std::move(other.walName_)) {}
    Watch& operator=(Watch&& other) noexcept {
        if (this != &other) {
            close();
            descriptor_ = std::exchange(other.descriptor_, -1);
            directory_ = std::move(other.directory_);
            databaseName_ = std::move(other.databaseName_);
            walName_ = std::move(other.walName_);
        }
        return *this;
    }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;
    ~Watch() { close(); }

    bool isActive() const { return descriptor_ >= 0; }
    int descriptor() const { return descriptor_; }
    const std::string& directory() const { return directory_; }

    struct Events {
        bool changed = false;
        bool lost = false;
    };

    // Reads every queued event. Only the names of the two files are looked at, never their contents.
    Events drain() const {
        Events events;
        alignas(inotify_event) std::array<char, 8192> buffer{};
        for (;;) {
            const ssize_t length = ::read(descriptor_, buffer.data(), buffer.size());
            if (length <= 0) {
                if (length < 0 && errno == EINTR) {
                    continue;
                }
                if (length < 0 && errno != EAGAIN) {
                    events.lost = true;
                }
                return events;
            }
            std::size_t offset = 0;
            while (offset + sizeof(inotify_event) <= static_cast<std::size_t>(length)) {
                inotify_event header{};
                std::memcpy(&header, buffer.data() + offset, sizeof header);
                const char* nameStart = buffer.data() + offset + sizeof header;
                const std::string name(nameStart, ::strnlen(nameStart, header.len));
                offset += sizeof header + header.len;

                if ((header.mask & IN_Q_OVERFLOW) != 0) {
                    events.changed = true;  // events were dropped; some of them may have been writes
                }
                if ((header.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) != 0) {
                    events.lost = true;
                }
                if ((header.mask & (IN_MODIFY | IN_MOVED_TO)) != 0 &&
                    (name == databaseName_ || name == walName_)) {
                    events.changed = true;
                }
            }
        }
    }

private:
    void close() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
            descriptor_ = -1;
        }
    }

    int descriptor_ = -1;
    std::string directory_;
    std::string databaseName_;
    std::string walName_;
};

InotifyChatDBChangeWatcher::InotifyChatDBChangeWatcher(std::filesystem::path databasePath)
    : InotifyChatDBChangeWatcher(std::move(databasePath), Options{}) {}

InotifyChatDBChangeWatcher::InotifyChatDBChangeWatcher(std::filesystem::path databasePath, Options options)
    : databasePath_(std::move(databasePath)), options_(options) {}

InotifyChatDBChangeWatcher::~InotifyChatDBChangeWatcher() {
    stop();
}

void InotifyChatDBChangeWatcher::start(ChangeHandler onChange) {
    const std::lock_guard lock(mutex_);
    if (thread_.joinable()) {
        if (!stopping_) {
            return;  // already watching
        }
        endThread();  // asked to stop by its own handler
    }
    wakeDescriptor_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeDescriptor_ < 0) {
        // Without a way to end the thread there is no thread; the sync loop's timer carries on alone.
        logger_.error("cannot watch {} for changes ({}); new messages wait for the next sync tick",
                      databasePath_.string(), errnoText(errno));
        return;
    }
    stopping_ = false;
    Watch watch = setUp();
    thread_ =
        std::thread([this, watch = std::move(watch), wake = wakeDescriptor_,
                     handler = std::move(onChange)]() mutable { run(std::move(watch), wake, handler); });
}

void InotifyChatDBChangeWatcher::stop() {
    const std::lock_guard lock(mutex_);
    if (!thread_.joinable()) {
        return;
    }
    stopping_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeDescriptor_, &one, sizeof one);
    if (thread_.get_id() == std::this_thread::get_id()) {
        return;  // from the handler: the thread ends once it returns; start() or the destructor joins
    }
    endThread();
}

void InotifyChatDBChangeWatcher::endThread() {
    thread_.join();
    ::close(std::exchange(wakeDescriptor_, -1));
}

InotifyChatDBChangeWatcher::Watch InotifyChatDBChangeWatcher::setUp() {
    // SQLite follows a symbolic link to the real file and puts the "-wal" file beside that one.
    std::filesystem::path file = databasePath_;
    std::error_code ignored;
    if (const auto resolved = std::filesystem::canonical(databasePath_, ignored); !ignored) {
        file = resolved;
    }
    std::filesystem::path directory = file.parent_path();
    if (directory.empty()) {
        directory = ".";
    }

    const auto failed = [&](int error) {
        if (!setupFailureLogged_) {
            setupFailureLogged_ = true;
            logger_.error(
                "cannot watch {} for changes ({}); new messages wait for the next sync tick, "
                "and the watch is tried again",
                directory.string(), errnoText(error));
        }
        return Watch{};
    };

    const int descriptor = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0) {
        return failed(errno);
    }
    Watch watch(descriptor, directory.string(), file.filename().string());
    constexpr std::uint32_t mask = IN_MODIFY | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (::inotify_add_watch(descriptor, watch.directory().c_str(), mask) < 0) {
        return failed(errno);
    }
    if (setupFailureLogged_) {
        logger_.info("watching {} for changes again", watch.directory());
        setupFailureLogged_ = false;
    }
    return watch;
}

void InotifyChatDBChangeWatcher::run(Watch watch, int wakeDescriptor, const ChangeHandler& onChange) {
    std::optional<SteadyClock::time_point> burstEnds;
    std::optional<SteadyClock::time_point> retryAt;
    if (!watch.isActive()) {
        retryAt = SteadyClock::now() + secondsToDuration(options_.setupRetrySeconds);
    }
    for (;;) {
        std::optional<SteadyClock::time_point> deadline = burstEnds;
        if (retryAt && (!deadline || *retryAt < *deadline)) {
            deadline = retryAt;
        }
        std::array<pollfd, 2> descriptors{{{wakeDescriptor, POLLIN, 0}, {watch.descriptor(), POLLIN, 0}}};
        const nfds_t count = watch.isActive() ? 2 : 1;
        const int ready = ::poll(descriptors.data(), count, pollTimeoutMilliseconds(deadline));
        if (ready < 0 && errno != EINTR) {
            logger_.error("change watch on {} ended ({})", databasePath_.string(), errnoText(errno));
            return;
        }
        if ((descriptors[0].revents & POLLIN) != 0) {
            return;  // stop()
        }
        if (count == 2 && descriptors[1].revents != 0) {
            const Watch::Events events = watch.drain();
            if (events.changed && !burstEnds) {
                burstEnds = SteadyClock::now() + secondsToDuration(options_.coalescingSeconds);
            }
            if (events.lost) {
                logger_.info("lost the change watch on {}; it is tried again", watch.directory());
                watch = Watch{};
                retryAt = SteadyClock::now() + secondsToDuration(options_.setupRetrySeconds);
            }
        }
        const auto now = SteadyClock::now();
        if (retryAt && now >= *retryAt) {
            watch = setUp();
            retryAt.reset();
            if (!watch.isActive()) {
                retryAt = now + secondsToDuration(options_.setupRetrySeconds);
            }
        }
        if (burstEnds && now >= *burstEnds) {
            burstEnds.reset();
            try {
                onChange();
            } catch (const std::exception& error) {
                logger_.error("change handler failed: {}", error.what());
            }
        }
    }
}

}  // namespace kindora
