// Scenarios of the composed agent as a front end drives it: launch, activation, wake, revocation,
// health, do-not-disturb and the precedence of alerts over meeting takeovers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <future>

#include "core/agent/MenuBarImage.hpp"
#include "core/interrupts/DoNotDisturbPreset.hpp"
#include "core/interrupts/UserDefaultsDoNotDisturbStore.hpp"
#include "core/lifecycle/FDAChecker.hpp"
#include "core/lifecycle/LaunchAtLoginFirstRun.hpp"
#include "core/lifecycle/SetupWizardController.hpp"
#include "tests/agent/AgentScenario.hpp"

namespace kindora {
namespace {

using testing::AgentScenario;

bool wizardCompleted(const Defaults& defaults) {
    return defaults.boolValue(SetupWizardController::didCompleteKey).value_or(false);
}

TEST_F(AgentScenario, FirstLaunchOfAnInstallationThatIsSetUpRunsWithoutTheWizard) {
    pairDevice();
    makeAgent();
    EXPECT_EQ(phase(), Phase::signedOut()) << "nothing is derived before launch";

    launch();

    EXPECT_EQ(phase(), Phase::running(Health::healthy()));
    EXPECT_EQ(agent->menuBarImage(), MenuBarImage::plain);
    EXPECT_FALSE(agent->setupWizardController().step().has_value());
    EXPECT_TRUE(wizardCompleted(defaults));
    EXPECT_TRUE(changeWatcher.isWatching());
    EXPECT_TRUE(wakeSource.isListening());
    // The first run registers the login item, once per installation.
    EXPECT_EQ(loginItems.registrations, 1);
    EXPECT_EQ(defaults.boolValue(LaunchAtLoginFirstRun::didCompleteFirstRunKey), true);
    // All four loops run: each waits for its next tick.
    EXPECT_TRUE(time.waitForSleepers(4));
    ASSERT_TRUE(waitFor([&] { return agent->syncStatusStore().status().lastSyncAt.has_value(); }));
}

TEST_F(AgentScenario, WithoutFullDiskAccessTheWizardOpensUntilAccessIsGrantedAndTheUserComesBack) {
    pairDevice();
    loginItems.status_ = LoginItemService::Status::enabled;  // the user enabled it already
    std::filesystem::rename(databasePath, databasePath.string() + ".elsewhere");

    launch();

    EXPECT_EQ(phase(), Phase::fdaMissing());
    EXPECT_EQ(agent->menuBarImage(), MenuBarImage::alert);
    EXPECT_TRUE(agent->setupWizardController().step().has_value());
    EXPECT_FALSE(wizardCompleted(defaults));
    EXPECT_EQ(time.sleepCount(), 0u) << "no loop runs without access";
    EXPECT_FALSE(changeWatcher.isWatching());
    EXPECT_EQ(loginItems.registrations, 0) << "an enabled login item is left as the user set it";
    EXPECT_EQ(defaults.boolValue(LaunchAtLoginFirstRun::didCompleteFirstRunKey), true);

    // Access granted in the settings; the user comes back to the agent.
    std::filesystem::rename(databasePath.string() + ".elsewhere", databasePath);
    agent->becameActive();
    ASSERT_TRUE(waitFor([&] { return phase().isRunning(); }));
    EXPECT_EQ(agent->menuBarImage(), MenuBarImage::plain);
    EXPECT_TRUE(time.waitForSleepers(4));
}

TEST_F(AgentScenario, SetupFromTheMenuOfAPairedAgentOpensAtTheEndWithoutPairingAgain) {
    pairDevice();
    launch();
    ASSERT_TRUE(phase().isRunning());

    agent->openSetup();
    ASSERT_TRUE(waitFor([&] { return agent->setupWizardController().step().has_value(); }));
    EXPECT_EQ(agent->setupWizardController().step(), SetupStep::done);
    EXPECT_TRUE(phase().isRunning()) << "the pairing stays as it is";
    EXPECT_FALSE(agent->accessGrantDetected().value());
}

TEST_F(AgentScenario, ARevocationSeenByTheInterruptPollerSignsOutAndStopsEveryLoop) {
    const std::string deviceId = pairDevice();
    launch();
    ASSERT_TRUE(phase().isRunning());
    ASSERT_TRUE(time.waitForSleepers(4));

    server.household().revokeDevice(deviceId);
    // Five seconds on, the interrupt poller asks first (an idle sync tick does not talk to the backend).
    time.advance(5);

    ASSERT_TRUE(waitFor([&] { return phase() == Phase::signedOut(); }));
    EXPECT_FALSE(credentials.hasDeviceToken());
    EXPECT_EQ(agent->syncStatusStore().revokedSignal(), 1);
    EXPECT_TRUE(time.waitForNoSleepers()) << "all four loops stop";
    EXPECT_FALSE(changeWatcher.isWatching());
}

TEST_F(AgentScenario, WakeMakesEveryLoopTickAtOnceAndReArmsDoNotDisturb) {
    pairDevice();
    launch();
    ASSERT_TRUE(time.waitForSleepers(4));
    agent->doNotDisturbController().enable(DoNotDisturbPreset::all().front());
    const auto count = [](const std::vector<double>& delays, double seconds) {
        return std::count_if(delays.begin(), delays.end(), [&](double s) { return std::abs(s - seconds) < 0.01; });
    };
    const auto waitsOf = [&](double seconds) { return count(time.requestedSleeps(), seconds); };
    const auto deadlinesOf = [&](double seconds) { return count(mainQueue.pendingDelays(), seconds); };
    ASSERT_EQ(waitsOf(300), 1) << "one heartbeat so far";
    ASSERT_EQ(deadlinesOf(1800), 1) << "the do-not-disturb period's end";
    const std::size_t sleepsBeforeWake = time.sleepCount();
    int refreshes = 0;
    const Subscription subscription = agent->observePhaseRefreshed([&](const SetupFacts&) { ++refreshes; });

    wakeSource.wake();

    ASSERT_TRUE(waitFor([&] { return refreshes == 1; })) << "the phase is derived again";
    // Each loop ran a tick without any time passing, the heartbeat (every 300 s) included, and the
    // do-not-disturb period checked its end against the clock and set its deadline again (the old one
    // is dropped when it comes due).
    EXPECT_TRUE(time.waitForSleepCount(sleepsBeforeWake + 4));
    EXPECT_EQ(waitsOf(300), 2);
    EXPECT_EQ(deadlinesOf(1800), 2);
    EXPECT_EQ(phase(), Phase::running(Health::healthy()));
}

TEST_F(AgentScenario, DoNotDisturbShowsInTheMenuBarAndHoldsTakeoversBack) {
    pairDevice();
    launch();
    ASSERT_EQ(phase(), Phase::running(Health::healthy()));
    std::vector<std::string> images;
    const Subscription subscription =
        agent->observeMenuBarImage([&](std::string_view image) { images.emplace_back(image); });

    agent->doNotDisturbController().enable(DoNotDisturbPreset::all().front());

    EXPECT_EQ(agent->menuBarImage(), MenuBarImage::doNotDisturb);
    EXPECT_TRUE(agent->meetingDisruptController().isDNDActive());
    agent->doNotDisturbController().disable();
    EXPECT_FALSE(agent->meetingDisruptController().isDNDActive());
    EXPECT_EQ(images, (std::vector<std::string>{"ZovudIzudDND", "ZovudIzud"}));
}

TEST_F(AgentScenario, AnAlertOnScreenHoldsAMeetingTakeoverBackUntilItIsGone) {
    pairDevice();
    makeAgent();
    MeetingPreferences preferences;
    preferences.isDisruptEnabled = true;
    preferences.leadTime = MeetingLeadTime::fiveMinutes;
    agent->setMeetingPreferences(preferences);

    Meeting meeting;
    meeting.id = "standup";
    meeting.title = "Stand-up";
    meeting.startsAt = time.now() + Seconds(120);  // its window is open
    meeting.endsAt = meeting.startsAt + Seconds(900);
    server.household().addMeeting(meeting);
    Interrupt alert;
    alert.id = Uuid::random();
    alert.title = "Grandma's phone went quiet";
    alert.body = "From the household rules";
    alert.urgency = InterruptUrgency::urgent;
    alert.source = "rules";
    alert.raisedAt = time.now();
    server.household().addInterrupt(alert);

    launch();
    ASSERT_TRUE(waitFor([&] {
        return agent->interruptController().presentedInterrupt().has_value() &&
               !agent->meetingDisruptController().currentMeetings().empty();
    }));
    EXPECT_TRUE(agent->meetingDisruptController().isAlertInterruptPresenting());
    EXPECT_TRUE(agent->meetingDisruptController().presentedMeetings().empty());

    // The household deals with the alert; the next poll takes it off the screen.
    server.household().removeInterrupt(alert.id);
    ASSERT_TRUE(time.waitForPendingDelay(5, 2)) << "the sync and interrupt loops wait for their next tick";
    time.advance(5);
    ASSERT_TRUE(waitFor([&] { return !agent->interruptController().presentedInterrupt().has_value(); }));
    EXPECT_FALSE(agent->meetingDisruptController().isAlertInterruptPresenting());
    ASSERT_TRUE(agent->meetingDisruptController().presentedMeeting().has_value());
    EXPECT_EQ(agent->meetingDisruptController().presentedMeeting()->id, "standup");
}

TEST_F(AgentScenario, ASyncErrorOutranksAFailingHeartbeatInTheHealthShown) {
    pairDevice();
    // The backend fails every ingest and the next three heartbeats.
    server.faults().add({"ingest", {devserver::FaultKind::status, 500, "", 0}, 1000});
    server.faults().add({"heartbeat", {devserver::FaultKind::status, 503, "", 0}, 3});
    const auto heartbeatFaultsLeft = [&] {
        int left = 0;
        for (const auto& rule : server.faults().pending()) {
            left += rule.endpoint == "heartbeat" ? rule.remaining : 0;
        }
        return left;
    };
    launch();
    ASSERT_TRUE(waitFor([&] { return heartbeatFaultsLeft() == 2; }));

    // New messages arrive: the sync loop fails to hand them over.
    ASSERT_TRUE(time.waitForSleepers(4));
    ASSERT_GT(ChatDBGenerator::append(databasePath.string(), 12, 3, time.now()).inbound, 0);
    agent->syncNow();
    ASSERT_TRUE(waitFor([&] { return !phase().health().isHealthy(); }));
    const auto syncError = agent->syncStatusStore().status().lastError;
    ASSERT_TRUE(syncError.has_value());
    EXPECT_EQ(phase(), Phase::running(Health::degraded(*syncError)));
    EXPECT_EQ(agent->menuBarImage(), MenuBarImage::alert);

    // Two more heartbeats fail (five minutes apart): the heartbeat is degraded too.
    for (const int left : {1, 0}) {
        ASSERT_TRUE(time.waitForSleepers(4));
        time.advance(300);
        ASSERT_TRUE(waitFor([&] { return heartbeatFaultsLeft() == left; }));
    }
    ASSERT_TRUE(waitFor([&] { return agent->heartbeatStatusStore().status().isDegraded; }));
    EXPECT_EQ(phase(), Phase::running(Health::degraded(*syncError))) << "the sync error wins";
}

TEST_F(AgentScenario, TheMainThreadStaysFreeWhileTheDatabaseIsCheckedAndShutDownJoinsEveryThread) {
    pairDevice();
    std::promise<void> checkMayAnswer;
    std::shared_future<void> answer = checkMayAnswer.get_future().share();
    // A database held by another process keeps the check waiting (up to SQLite's busy time-out).
    PlatformServices platform = services();
    platform.hasFullDiskAccess = [answer](const std::filesystem::path& path) {
        answer.wait();
        return FDAChecker::hasFullDiskAccess(path);
    };
    makeAgent(std::move(platform));

    agent->finishLaunching();  // returns at once; the answer comes later
    bool mainThreadRan = false;
    mainQueue.post([&] { mainThreadRan = true; });
    mainQueue.drain();
    EXPECT_TRUE(mainThreadRan);
    EXPECT_EQ(phase(), Phase::signedOut()) << "not derived until the check answers";

    checkMayAnswer.set_value();
    ASSERT_TRUE(waitFor([&] { return phase().isRunning(); }));
    ASSERT_TRUE(time.waitForSleepers(4));

    // Once shutDown() returns, no loop thread is left: nothing can reach a collaborator that goes next.
    agent->shutDown();
    EXPECT_EQ(time.sleeperCount(), 0u);
    EXPECT_FALSE(changeWatcher.isWatching());
    EXPECT_FALSE(wakeSource.isListening());
}

TEST(MenuBarImage, FollowsThePhaseAndDoNotDisturb) {
    const Phase degraded = Phase::running(Health::degraded(UserText::verbatim("Server error")));
    for (const bool dnd : {false, true}) {
        EXPECT_EQ(MenuBarImage::of(Phase::pairing("123456", Date{}), dnd), "ZovudIzud");
        EXPECT_EQ(MenuBarImage::of(Phase::signedOut(), dnd), "ZovudIzud");
        EXPECT_EQ(MenuBarImage::of(Phase::fdaMissing(), dnd), "ZovudIzudAlert");
        EXPECT_EQ(MenuBarImage::of(degraded, dnd), "ZovudIzudAlert") << "trouble outranks do-not-disturb";
    }
    EXPECT_EQ(MenuBarImage::of(Phase::running(Health::healthy()), false), "ZovudIzud");
    EXPECT_EQ(MenuBarImage::of(Phase::running(Health::healthy()), true), "ZovudIzudDND");
}

}  // namespace
}  // namespace kindora
