// The in-a-call guess against a real PulseAudio server with a null microphone and real processes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/platform/LinuxPresenceProbe.hpp"
#include "app/platform/PulseMicrophone.hpp"
#include "app/platform/UserProcesses.hpp"
#include "tests/app/ChildProcess.hpp"

namespace kindora {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;

bool onPath(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Polls for up to 20 s: the sound server and the recorder are real processes, slow on a loaded machine
// (and under the sanitizers).
template <typename Predicate>
bool eventually(Predicate predicate) {
    for (int attempt = 0; attempt < 400; ++attempt) {
        if (predicate()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

bool runs(const std::string& program) {
    const auto names = UserProcesses::programNames();
    return std::find(names.begin(), names.end(), program) != names.end();
}

class PresenceProbe : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onPath("pulseaudio") || !onPath("parecord")) {
            GTEST_SKIP() << "pulseaudio and parecord are not installed (scripts/setup-deps installs them)";
        }
        directory_ = fs::path(std::getenv("HOME")) / "pulse";
        fs::create_directories(directory_ / "runtime");
        fs::permissions(directory_ / "runtime", fs::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", (directory_ / "runtime").c_str(), 1);
        // Off the session bus: a PulseAudio that finds another one registered there (a parallel test)
        // gives up, and this one needs no bus.
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        const auto socket = directory_ / "native";
        ::setenv("PULSE_SERVER", ("unix:" + socket.string()).c_str(), 1);
        server_ = std::make_unique<ChildProcess>(std::vector<std::string>{
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
            "--use-pid-file=no", "--log-level=error", "-L",
            "module-native-protocol-unix socket=" + socket.string() + " auth-anonymous=1", "-L",
            "module-null-source source_name=kindora_mic"});
        ASSERT_TRUE(eventually([&] { return fs::exists(socket); })) << "pulseaudio did not start";
    }

    // A program with a meeting browser's file name: a copy of sleep called "firefox".
    std::unique_ptr<ChildProcess> startFakeBrowser() {
        const auto browser = directory_ / "firefox";
        fs::copy_file("/bin/sleep", browser, fs::copy_options::overwrite_existing);
        return std::make_unique<ChildProcess>(std::vector<std::string>{browser.string(), "60"});
    }

    fs::path directory_;
    std::unique_ptr<ChildProcess> server_;
};

TEST_F(PresenceProbe, GuessesACallOnlyWhileTheMicrophoneRecordsAndAMeetingProgramRuns) {
    EXPECT_FALSE(PulseMicrophone::isDefaultSourceRunning()) << "an idle microphone is not live";

    const auto browser = startFakeBrowser();
    ASSERT_TRUE(eventually([] { return runs("firefox"); }));
    EXPECT_FALSE(LinuxPresenceProbe::isLikelyInMeeting()) << "a browser alone is no call";

    ChildProcess recorder({"parecord", "--device=kindora_mic", "/dev/null"});
    ASSERT_TRUE(eventually([] { return PulseMicrophone::isDefaultSourceRunning(); }))
        << "recording makes the default source RUNNING";
    EXPECT_TRUE(eventually([] { return LinuxPresenceProbe::isLikelyInMeeting(); }));

    browser->stop(SIGTERM);
    // The process list is the whole user's: a browser someone else runs (another test run on this
    // machine, say) would rightly count, so the negative case is only checked when none runs.
    if (!LinuxPresenceProbe::isLikelyInMeeting([] { return true; },
                                               [] { return UserProcesses::programNames(); })) {
        EXPECT_TRUE(PulseMicrophone::isDefaultSourceRunning());
        EXPECT_FALSE(LinuxPresenceProbe::isLikelyInMeeting())
            << "a live microphone without a meeting program";
    }

    recorder.stop(SIGTERM);
    EXPECT_TRUE(eventually([] { return !PulseMicrophone::isDefaultSourceRunning(); }));
}

TEST_F(PresenceProbe, AnswersNoWhenTheSoundServerIsGone) {
    server_.reset();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(LinuxPresenceProbe::isLikelyInMeeting());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST(PresenceProbeRule, ReadsTheProcessListOnlyWhileTheMicrophoneIsLive) {
    int listings = 0;
    const auto programs = [&] {
        ++listings;
        return std::vector<std::string>{"bash", "zoom"};
    };
    EXPECT_FALSE(LinuxPresenceProbe::isLikelyInMeeting([] { return false; }, programs));
    EXPECT_EQ(listings, 0);
    EXPECT_TRUE(LinuxPresenceProbe::isLikelyInMeeting([] { return true; }, programs));
    EXPECT_EQ(listings, 1);
}

}  // namespace
}  // namespace kindora
