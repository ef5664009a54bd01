// Household alerts against the real kindora-devserver (in-process, over HTTP on loopback) through the
// real backend client: the poller fetches, the controller presents and acts, and the server's own
// refusals come back. Waits between polls are virtual; the main thread is the test's.
#include <gtest/gtest.h>

#include <memory>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/JsonDate.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/interrupts/InterruptController.hpp"
#include "core/interrupts/InterruptPoller.hpp"
#include "tests/support/InMemoryDoNotDisturbStore.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tools/devserver/DevServer.hpp"
#include "tests/support/UserTextPrinting.hpp"

namespace kindora {
namespace {

using devserver::AlertState;
using devserver::DevServer;

// The devserver, already serving once constructed, so that its origin is known.
struct RunningDevServer {
    RunningDevServer() : server(devserver::DevServerOptions{}) { server.start(); }
    DevServer server;
};

class InterruptsIntegrationTest : public ::testing::Test {
protected:
    InterruptsIntegrationTest() {
        const auto pairing = household().createPairing(PairingCreateRequest{"den-pc", "macos", "2.0.1"});
        household().confirmPairing(pairing.code);
        deviceId = pairing.deviceId;
        token = pairing.deviceToken;
        credentials.saveDeviceToken(pairing.deviceToken);
        revocation.setCallback([this] { mainQueue.post([this] { ++revocations; }); });
        // As the composition root wires them: poll answers hop to the main thread.
        poller.setInterruptsHandler([this](const InterruptsResponse& response) {
            mainQueue.post([this, response] {
                ++pollsApplied;
                controller.handlePoll(response);
            });
        });
    }

    ~InterruptsIntegrationTest() override {
        // The agent's side goes first: its kept-alive connections close, so the server's workers
        // are not left waiting on them while it stops.
        agent.reset();
        running.server.stop();
    }

    devserver::Household& household() { return running.server.household(); }

    Interrupt addAlert(std::string title, std::optional<std::string> groupKey,
                       bool requiresResolution = false, bool canResolve = true) {
        Interrupt interrupt;
        interrupt.id = Uuid::random();
        interrupt.title = std::move(title);
        interrupt.body = "From the household rules";
        interrupt.urgency = InterruptUrgency::urgent;
        interrupt.source = "rules";
        interrupt.raisedAt = raisedAt = raisedAt + Seconds(1);
        interrupt.requiresResolution = requiresResolution;
        interrupt.canResolve = canResolve;
        interrupt.groupKey = std::move(groupKey);
        return household().addInterrupt(interrupt).interrupt;
    }

    AlertState stateOf(const Uuid& id) {
        for (const auto& alert : household().snapshot().alerts) {
            if (alert.interrupt.id == id) {
                return alert.state;
            }
        }
        ADD_FAILURE() << "no alert " << id.text();
        return AlertState::open;
    }

    std::vector<std::string> presentedTitles() {
        std::vector<std::string> titles;
        for (const auto& interrupt : controller.presentedGroup()) {
            titles.push_back(interrupt.title);
        }
        return titles;
    }

    // Runs main-thread work until a poll answer after this call has been applied.
    void awaitNextPoll() {
        const int applied = pollsApplied;
        ASSERT_TRUE(mainQueue.drainUntil([&] { return pollsApplied > applied; }));
    }

    // Lets the poller reach its wait, so that the poll asked for next really starts at once.
    void awaitPollerWaiting() { ASSERT_TRUE(time.waitForSleepers(1)); }

    // Performs a user action once the poller is waiting, then runs main-thread work until the action
    // has finished and the poll it asked for has been applied.
    template <typename Action>
    void act(Action action) {
        awaitPollerWaiting();
        const int applied = pollsApplied;
        action();
        ASSERT_TRUE(mainQueue.drainUntil(
            [&] { return !controller.inFlightID().has_value() && pollsApplied > applied; }));
    }

    RunningDevServer running;
    std::string deviceId;
    std::string token;
    Date raisedAt = JsonDate::decode("2026-12-07T09:00:00.000Z");
    testing::LogCapture logs;
    testing::VirtualTime time;
    testing::ManualMainQueue mainQueue{time};
    InMemoryCredentialStore credentials;
    RevocationHandler revocation{credentials};
    int revocations = 0;
    int pollsApplied = 0;
    InMemoryDoNotDisturbStore dndStore;
    DoNotDisturbController dnd{dndStore, mainQueue, time.nowFunction()};

    // The agent's parts that talk to the server, as the composition root builds them.
    struct Agent {
        Agent(InterruptsIntegrationTest& test, const std::string& origin)
            : client(origin, transport),
              poller(client, test.credentials, test.revocation, test.time.sleeper()),
              controller(client, test.credentials, test.revocation, test.mainQueue, &test.dnd,
                         [this] { poller.tickNow(); }) {}

        CurlTransport transport;
        BackendClient client;
        InterruptPoller poller;
        InterruptController controller;
    };
    std::unique_ptr<Agent> agent = std::make_unique<Agent>(*this, running.server.origin());
    InterruptPoller& poller = agent->poller;
    InterruptController& controller = agent->controller;
};

TEST_F(InterruptsIntegrationTest, OpenAlertsArePresentedByGroupAndActedOnWithTheServersAnswers) {
    const auto door = addAlert("Front door open", "door", /*requiresResolution=*/true);
    const auto doorCamera = addAlert("Motion at the front door", "door");
    const auto oven = addAlert("Oven left on", std::nullopt, false, /*canResolve=*/false);
    const auto water = addAlert("Water leak", std::nullopt);

    poller.start();
    awaitNextPoll();
    EXPECT_EQ(presentedTitles(), (std::vector<std::string>{"Front door open", "Motion at the front door"}));
    EXPECT_EQ(controller.moreCount(), 2);
    EXPECT_FALSE(controller.truncated());

    // Acknowledging the group: the first must be resolved (409), the second is acknowledged.
    act([&] { controller.acknowledge(door); });
    EXPECT_EQ(presentedTitles(), std::vector<std::string>{"Front door open"});
    EXPECT_EQ(englishOf(controller.actionError()), "This alert must be resolved, not acknowledged.");
    EXPECT_EQ(stateOf(door.id), AlertState::open);
    EXPECT_EQ(stateOf(doorCamera.id), AlertState::acknowledged);

    EXPECT_EQ(controller.moreCount(), 2) << "after the poll the action asked for, the lists agree";

    act([&] { controller.resolve(door); });
    EXPECT_EQ(stateOf(door.id), AlertState::resolved);
    EXPECT_EQ(presentedTitles(), std::vector<std::string>{"Oven left on"});
    EXPECT_EQ(englishOf(controller.actionError()), std::nullopt);

    // This device may not resolve it (403): the refusal is shown, the alert stays open.
    act([&] { controller.resolve(oven); });
    EXPECT_EQ(englishOf(controller.actionError()), "You don't have permission to resolve this alert.");
    EXPECT_EQ(stateOf(oven.id), AlertState::open);
    controller.dismiss(oven);
    EXPECT_EQ(presentedTitles(), std::vector<std::string>{"Water leak"});

    // Someone else's action removed it meanwhile (404): as good as done.
    household().removeInterrupt(water.id);
    act([&] { controller.acknowledge(water); });
    EXPECT_EQ(englishOf(controller.actionError()), std::nullopt);

    // The oven alert is still open on the server, but stays dismissed on this Mac.
    EXPECT_TRUE(controller.presentedGroup().empty());
    EXPECT_EQ(controller.moreCount(), 0);
    EXPECT_FALSE(logs.anyLineContains(token));
}

TEST_F(InterruptsIntegrationTest, DoNotDisturbHidesAlertsAndItsEndFetchesTheNewOnesAtOnce) {
    addAlert("Front door open", "door");
    dnd.enable(DoNotDisturbPreset::all().front());
    poller.start();
    awaitNextPoll();
    EXPECT_TRUE(controller.presentedGroup().empty());
    EXPECT_EQ(controller.moreCount(), 1);

    addAlert("Water leak", std::nullopt);
    awaitPollerWaiting();
    const int applied = pollsApplied;
    dnd.disable();  // wakes the poller: no virtual time passes
    ASSERT_TRUE(mainQueue.drainUntil([&] { return pollsApplied > applied; }));
    EXPECT_EQ(presentedTitles(), std::vector<std::string>{"Front door open"});
    EXPECT_EQ(controller.moreCount(), 1);
}

TEST_F(InterruptsIntegrationTest, AlertsTheAgentCannotReadAreSkippedWithACountAndTheOthersAreShown) {
    addAlert("Front door open", "door");
    addAlert("Water leak", std::nullopt);
    // The server's answer, with one alert lacking its source and one whose date is in another form.
    nlohmann::ordered_json body = toJson(household().interrupts(token));
    auto lacksSource = body["interrupts"][0];
    lacksSource["title"] = "Garage unreadable";
    lacksSource.erase("source");
    auto oddDate = body["interrupts"][1];
    oddDate["title"] = "Cellar unreadable";
    oddDate["raisedAt"] = "07/12/2026 09:00";
    body["interrupts"].insert(body["interrupts"].begin(), lacksSource);
    body["interrupts"].push_back(oddDate);
    running.server.faults().add({"interrupts", {devserver::FaultKind::status, 200, body.dump(), 0}, 1});

    poller.start();
    awaitNextPoll();
    EXPECT_EQ(presentedTitles(), std::vector<std::string>{"Front door open"});
    EXPECT_EQ(controller.moreCount(), 1);
    EXPECT_TRUE(logs.contains("skipped 2 interrupts that could not be read", "Interrupts"));
    EXPECT_FALSE(logs.anyLineContains("unreadable")) << "only the count is logged";
    EXPECT_FALSE(logs.contains("interrupt poll failed"));
    ASSERT_TRUE(time.waitForSleepers(1));
    EXPECT_EQ(time.pendingDelays().front(), 5) << "a poll with skipped alerts is a success: no back-off";
}

TEST_F(InterruptsIntegrationTest, ARevokedDeviceStopsThePollerAndLosesItsToken) {
    addAlert("Front door open", "door");
    poller.start();
    awaitNextPoll();
    ASSERT_TRUE(time.waitForSleepers(1));

    household().revokeDevice(deviceId);
    time.advanceToNextDeadline();
    ASSERT_TRUE(mainQueue.drainUntil([&] { return revocations == 1; }));
    EXPECT_EQ(credentials.loadDeviceToken(), std::nullopt);
    EXPECT_FALSE(poller.isRunning());
    EXPECT_EQ(time.sleeperCount(), 0u) << "the loop ended instead of waiting for another poll";
    EXPECT_FALSE(logs.contains("interrupt poll failed"));
}

}  // namespace
}  // namespace kindora
