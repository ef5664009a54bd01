// How fast the panels reach the screen, on an X server of the benchmark's own (Xvfb with two monitors
// and openbox):
//   alert_show_ms     from a poll answer reaching the interrupt controller to the alert panel's first
//                     frame;
//   takeover_show_ms  from the moment a meeting's takeover window opens (its boundary) to the first
//                     frame of the takeover on every screen.
// Medians of 20. Prints one line: alert_show_ms=A takeover_show_ms=T
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickView>

#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/KindoraQmlModules.hpp"
#include "app/panels/InterruptPanelContent.hpp"
#include "app/panels/InterruptPanelController.hpp"
#include "app/panels/MeetingPanelContent.hpp"
#include "app/panels/MeetingPanelController.hpp"
#include "app/platform/CanberraAlertSound.hpp"
#include "app/platform/QtMainQueue.hpp"
#include "app/platform/QtScreenLayout.hpp"
#include "app/platform/X11Topmost.hpp"
#include "app/windows/AlertPanelWindow.hpp"
#include "app/windows/TakeoverWindows.hpp"
#include "core/backend/BackendError.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "tests/support/InMemoryDoNotDisturbStore.hpp"
#include "tests/support/InMemoryMeetingLedgerStore.hpp"
#include "tests/support/InMemoryMeetingPreferencesStore.hpp"

namespace kindora {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int rounds = 20;

// The benchmark shows alerts; nobody acts on them.
class NoActions final : public InterruptBackendClientProtocol {
public:
    InterruptsResponse interrupts(const std::string&, StopToken) override { return {}; }
    AlertActionResponse ackAlert(const std::string&, const Uuid&, StopToken) override {
        throw BackendError::network("not used");
    }
    AlertActionResponse resolveAlert(const std::string&, const Uuid&, StopToken) override {
        throw BackendError::network("not used");
    }
};

// An X server with two monitors and a window manager, gone with this object.
class OwnDisplay {
public:
    OwnDisplay() {
        int fds[2];
        if (::pipe(fds) != 0) {
            std::exit(1);
        }
        xvfb_ = spawn(
            "Xvfb -displayfd " + std::to_string(fds[1]) + " -screen 0 2304x800x24 -nolisten tcp -noreset",
            fds[1]);
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(fds[0]);
        if (number.empty()) {
            std::fprintf(stderr, "panel_latency: Xvfb did not start\n");
            std::exit(1);
        }
        ::setenv("DISPLAY", (":" + number).c_str(), 1);
        run("xrandr --setmonitor '*LEFT' 1280/338x800/211+0+0 screen >/dev/null");
        run("xrandr --setmonitor RIGHT 1024/270x768/203+1280+0 none");
        openbox_ = spawn("openbox --sm-disable", -1);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
    }
    ~OwnDisplay() {
        for (pid_t pid : {openbox_, xvfb_}) {
            if (pid > 0) {
                ::kill(pid, SIGTERM);
            }
        }
    }

private:
    static void run(const std::string& command) {
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "panel_latency: %s failed\n", command.c_str());
        }
    }
    static pid_t spawn(const std::string& command, int keepFd) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int fd = 3; fd < 1024; ++fd) {
                if (fd != keepFd) {
                    ::close(fd);
                }
            }
            ::execl("/bin/sh", "sh", "-c", ("exec " + command + " >/dev/null 2>&1").c_str(), nullptr);
            ::_exit(127);
        }
        return pid;
    }
    pid_t xvfb_ = -1;
    pid_t openbox_ = -1;
};

// First frame after a show, per window.
class FrameWatch {
public:
    void watch(QQuickWindow* window) {
        if (!window || watched_.count(window)) {
            return;
        }
        watched_[window] = true;
        QObject::connect(
            window, &QQuickWindow::frameSwapped, window,
            [this, window] {
                std::lock_guard lock(mutex_);
                if (!first_.count(window)) {
                    first_[window] = Clock::now();
                }
            },
            Qt::DirectConnection);
    }
    void reset() {
        std::lock_guard lock(mutex_);
        first_.clear();
    }
    // The latest first frame among `windows`, once each has one.
    std::optional<Clock::time_point> allShown(const std::vector<QQuickView*>& windows) {
        std::lock_guard lock(mutex_);
        Clock::time_point latest{};
        for (auto* window : windows) {
            const auto found = first_.find(window);
            if (found == first_.end()) {
                return std::nullopt;
            }
            latest = std::max(latest, found->second);
        }
        return latest;
    }

private:
    std::map<QQuickWindow*, bool> watched_;
    std::mutex mutex_;
    std::map<QQuickWindow*, Clock::time_point> first_;
};

bool waitUntil(const std::function<bool()>& done, int milliseconds = 5000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done() && Clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return done();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : (values[values.size() / 2] + values[(values.size() - 1) / 2]) / 2;
}

double ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

int run(int argc, char** argv) {
    OwnDisplay display;
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    QGuiApplication application(argc, argv);

    QtMainQueue mainQueue;
    const auto now = [] { return std::chrono::system_clock::now(); };
    NoActions backend;
    InMemoryCredentialStore credentials;
    credentials.saveDeviceToken("bench");
    RevocationHandler revocation(credentials);
    InMemoryDoNotDisturbStore dndStore;
    DoNotDisturbController dnd(dndStore, mainQueue, now);
    InterruptController interrupts(backend, credentials, revocation, mainQueue, &dnd, [] {});
    InMemoryMeetingPreferencesStore preferences(
        MeetingPreferences{true, MeetingLeadTime::oneMinute, false, false});
    InMemoryMeetingLedgerStore ledgerStore;
    MeetingPresentationLedger ledger(ledgerStore, now);
    MeetingDisruptController meetings(preferences, ledger, now, mainQueue);

    QQmlEngine engine;
    InterruptPanelContent alertContent(interrupts, now);
    MeetingPanelContent meetingContent(meetings, nullptr, {}, now);
    useKindoraQmlModules(engine);
    X11Topmost topmost;
    QtScreenLayout screens;
    CanberraAlertSound sound;
    AlertPanelWindow alertWindow(engine, topmost, alertContent);
    TakeoverWindows takeoverWindows(engine, topmost, meetingContent);
    const Observable<bool> sessionLocked{false};
    InterruptPanelController alertPanel(interrupts, alertWindow, sound, sessionLocked);
    MeetingPanelController meetingPanel(meetings, interrupts, meetingContent, takeoverWindows, screens,
                                        sound, sessionLocked);

    FrameWatch frames;
    std::vector<double> alertTimes;
    for (int round = 0; round < rounds; ++round) {
        Interrupt alert;
        alert.id = Uuid::random();
        alert.title = "Back door open";
        alert.body = "Round " + std::to_string(round);
        alert.source = "bench";
        frames.reset();
        const auto start = Clock::now();
        interrupts.handlePoll(InterruptsResponse{{alert}, false});
        frames.watch(alertWindow.view());
        if (!waitUntil([&] { return frames.allShown({alertWindow.view()}).has_value(); })) {
            std::fprintf(stderr, "panel_latency: the alert panel never showed\n");
            return 1;
        }
        alertTimes.push_back(ms(*frames.allShown({alertWindow.view()}) - start));
        interrupts.handlePoll(InterruptsResponse{});
        waitUntil([&] { return !alertWindow.isShown(); }, 200);
    }

    // The windows exist before the first round, so that none of their first frames goes unseen.
    takeoverWindows.cover(screens.frames());
    for (auto* view : takeoverWindows.views()) {
        frames.watch(view);
    }
    std::vector<double> takeoverTimes;
    for (int round = 0; round < rounds; ++round) {
        // The meeting's takeover window opens a little after the poll: its boundary fires on time.
        const auto boundary = std::chrono::system_clock::now() + std::chrono::milliseconds(300);
        Meeting meeting;
        meeting.id = "bench-" + std::to_string(round);
        meeting.title = "Family call";
        meeting.startsAt = boundary + std::chrono::seconds(60);
        meeting.joinUrl = "https://meet.google.com/bench";
        meeting.provider = MeetingProvider::meet;
        frames.reset();
        meetings.handleMeetings(MeetingsResponse{{meeting}});
        const auto steadyBoundary = Clock::now() + (boundary - std::chrono::system_clock::now());
        if (!waitUntil([&] { return takeoverWindows.isShown(); })) {
            std::fprintf(stderr, "panel_latency: the takeover never showed\n");
            return 1;
        }
        if (!waitUntil([&] { return frames.allShown(takeoverWindows.views()).has_value(); })) {
            std::fprintf(stderr, "panel_latency: the takeover did not reach every screen\n");
            return 1;
        }
        takeoverTimes.push_back(ms(*frames.allShown(takeoverWindows.views()) - steadyBoundary));
        meetingContent.dismiss();
        meetings.handleMeetings(MeetingsResponse{});
        waitUntil([] { return false; }, 100);
    }
    std::printf("alert_show_ms=%.1f takeover_show_ms=%.1f\n", median(alertTimes), median(takeoverTimes));
    return 0;
}

}  // namespace
}  // namespace kindora

int main(int argc, char** argv) {
    return kindora::run(argc, argv);
}
