#include "core/interrupts/InterruptController.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "core/credentials/InMemoryCredentialStore.hpp"
#include "tests/interrupts/FakeInterruptBackend.hpp"
#include "tests/support/InMemoryDoNotDisturbStore.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tests/support/UserTextPrinting.hpp"

namespace kindora {
namespace {

Interrupt makeInterrupt(std::string title, std::optional<std::string> groupKey = std::nullopt) {
    Interrupt interrupt;
    interrupt.id = Uuid::random();
    interrupt.title = std::move(title);
    interrupt.body = "Body";
    interrupt.source = "rules";
    interrupt.groupKey = std::move(groupKey);
    return interrupt;
}

std::vector<std::string> titles(const std::vector<Interrupt>& interrupts) {
    std::vector<std::string> result;
    for (const auto& interrupt : interrupts) {
        result.push_back(interrupt.title);
    }
    return result;
}

class InterruptControllerTest : public ::testing::Test {
protected:
    InterruptControllerTest() {
        credentials.saveDeviceToken(token);
        // As the composition root does: the revocation flow's callback hops to the main thread.
        revocation.setCallback([this] { mainQueue.post([this] { ++revocations; }); });
    }

    // Runs main-thread continuations until the action in flight has finished.
    void settleAction() {
        ASSERT_TRUE(mainQueue.drainUntil([&] { return !controller->inFlightID().has_value(); }));
    }

    void poll(std::vector<Interrupt> interrupts, bool truncated = false) {
        controller->handlePoll(InterruptsResponse{std::move(interrupts), truncated});
    }

    const std::string token = "device-token-51c9";
    testing::VirtualTime time;
    testing::ManualMainQueue mainQueue{time};
    testing::FakeInterruptBackend backend;
    InMemoryCredentialStore credentials;
    RevocationHandler revocation{credentials};
    int revocations = 0;
    InMemoryDoNotDisturbStore dndStore;
    DoNotDisturbController dnd{dndStore, mainQueue, time.nowFunction()};
    int pollNowCalls = 0;
    testing::LogCapture logs;
    std::unique_ptr<InterruptController> controller = std::make_unique<InterruptController>(
        backend, credentials, revocation, mainQueue, &dnd, [this] { ++pollNowCalls; });
};

struct GroupingCase {
    const char* name;
    std::vector<std::optional<std::string>> groupKeys;
    bool doNotDisturb;
    std::vector<std::string> presented;
    int moreCount;
};

class InterruptGroupingTest : public InterruptControllerTest,
                              public ::testing::WithParamInterface<GroupingCase> {};

TEST_P(InterruptGroupingTest, PresentsTheFirstListedGroupAndCountsTheRest) {
    const auto& param = GetParam();
    if (param.doNotDisturb) {
        dnd.enable(DoNotDisturbPreset::all().front());
    }
    std::vector<Interrupt> interrupts;
    for (std::size_t index = 0; index < param.groupKeys.size(); ++index) {
        interrupts.push_back(makeInterrupt("#" + std::to_string(index), param.groupKeys[index]));
    }
    poll(interrupts);
    EXPECT_EQ(titles(controller->presentedGroup()), param.presented);
    EXPECT_EQ(controller->moreCount(), param.moreCount);
    EXPECT_EQ(controller->suppressed(), param.doNotDisturb);
}

INSTANTIATE_TEST_SUITE_P(
    Grouping, InterruptGroupingTest,
    ::testing::Values(GroupingCase{"nothingOpen", {}, false, {}, 0},
                      GroupingCase{"keysABA", {"a", "b", "a"}, false, {"#0", "#2"}, 1},
                      GroupingCase{"noKeysAreGroupsOfOne", {std::nullopt, std::nullopt}, false, {"#0"}, 1},
                      GroupingCase{"oneGroup", {"a", "a", "a"}, false, {"#0", "#1", "#2"}, 0},
                      GroupingCase{"headWithoutKey", {std::nullopt, "a", "a", "b"}, false, {"#0"}, 2},
                      GroupingCase{"doNotDisturbCountsEveryGroup", {"a", "b", "a"}, true, {}, 2},
                      GroupingCase{"doNotDisturbWithNothingOpen", {}, true, {}, 0}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(InterruptControllerTest, TheEndOfAPeriodByItsTimerAlsoAsksForAPoll) {
    dnd.enable(DoNotDisturbPreset::all().front());
    poll({makeInterrupt("Smoke")});
    time.advance(1800);
    ASSERT_TRUE(mainQueue.drainUntil([&] { return pollNowCalls == 1; }));
    EXPECT_EQ(titles(controller->presentedGroup()), std::vector<std::string>{"Smoke"});
}

TEST_F(InterruptControllerTest, StartsSuppressedWhenDoNotDisturbIsAlreadyOn) {
    controller.reset();
    dnd.enable(DoNotDisturbPreset::all().front());
    controller =
        std::make_unique<InterruptController>(backend, credentials, revocation, mainQueue, &dnd, nullptr);
    EXPECT_TRUE(controller->suppressed());
    dnd.disable();  // no poll-now handler: nothing to call, nothing breaks
    EXPECT_FALSE(controller->suppressed());
}

TEST_F(InterruptControllerTest, AnotherDoNotDisturbListenerDoesNotSilenceTheController) {
    bool rootTold = false;
    dnd.setOnStateChange([&] { rootTold = true; });  // as the composition root does for meetings
    poll({makeInterrupt("Smoke")});
    dnd.enable(DoNotDisturbPreset::all().front());
    EXPECT_TRUE(rootTold);
    EXPECT_TRUE(controller->suppressed());
    EXPECT_TRUE(controller->presentedGroup().empty());
}

TEST_F(InterruptControllerTest, ADestroyedControllerIsNoLongerToldOfDoNotDisturb) {
    controller.reset();
    dnd.enable(DoNotDisturbPreset::all().front());
    dnd.disable();
    EXPECT_EQ(pollNowCalls, 0);
}

TEST_F(InterruptControllerTest, AcknowledgingRemovesTheWholeGroupAndPresentsTheNext) {
    const auto smoke = makeInterrupt("Smoke", "fire");
    const auto heat = makeInterrupt("Heat", "fire");
    poll({smoke, makeInterrupt("Door"), heat});
    controller->acknowledge(smoke);
    EXPECT_TRUE(controller->isActionInFlight());
    settleAction();
    const auto calls = backend.actionCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].action, "ack");
    EXPECT_EQ(calls[0].id, smoke.id);
    EXPECT_EQ(calls[1].id, heat.id);
    EXPECT_EQ(calls[1].token, token);
    EXPECT_EQ(titles(controller->presentedGroup()), std::vector<std::string>{"Door"});
    EXPECT_EQ(controller->moreCount(), 0);
    EXPECT_EQ(englishOf(controller->actionError()), std::nullopt);
    EXPECT_EQ(pollNowCalls, 1) << "the poller is asked for the new list at once";
}

struct RefusalCase {
    const char* name;
    bool resolve;
    BackendError error;
    std::string shown;
};

class InterruptRefusalTest : public InterruptControllerTest,
                             public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(InterruptRefusalTest, ARefusedActionLeavesTheAlertPresentedWithTheErrorUnderIt) {
    const auto& param = GetParam();
    const auto alert = makeInterrupt("Smoke");
    backend.setActionError(alert.id, param.error);
    poll({alert});
    param.resolve ? controller->resolve(alert) : controller->acknowledge(alert);
    settleAction();
    ASSERT_TRUE(controller->presentedInterrupt());
    EXPECT_EQ(controller->presentedInterrupt()->id, alert.id);
    EXPECT_EQ(englishOf(controller->actionError()), param.shown);
    EXPECT_FALSE(controller->isActionInFlight());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, InterruptRefusalTest,
    ::testing::Values(
        RefusalCase{"requiresResolutionWithoutMessage", false, BackendError::requiresResolution(),
                    "This alert requires a resolution, not just an acknowledgement."},
        RefusalCase{"requiresResolutionWithBlankMessage", false, BackendError::requiresResolution(" "),
                    "This alert requires a resolution, not just an acknowledgement."},
        RefusalCase{"forbiddenWithMessage", true, BackendError::forbidden("Only admins may resolve."),
                    "Only admins may resolve."}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(InterruptControllerTest, AGroupWhoseSecondMemberIsRefusedKeepsOnlyThatOnePresented) {
    const auto first = makeInterrupt("Smoke", "fire");
    const auto second = makeInterrupt("Heat", "fire");
    backend.setActionError(second.id, BackendError::requiresResolution());
    poll({first, second});
    controller->acknowledge(first);
    settleAction();
    EXPECT_EQ(titles(controller->presentedGroup()), std::vector<std::string>{"Heat"});
    EXPECT_EQ(englishOf(controller->actionError()), "This alert requires a resolution, not just an acknowledgement.");

    // The acknowledged one stays gone even if the next poll still lists it.
    poll({first, second});
    EXPECT_EQ(titles(controller->presentedGroup()), std::vector<std::string>{"Heat"});

    // A later successful resolve clears the error it was about.
    backend.clearActionError(second.id);
    controller->resolve(second);
    EXPECT_EQ(englishOf(controller->actionError()), std::nullopt);
    settleAction();
    EXPECT_TRUE(controller->presentedGroup().empty());
}

TEST_F(InterruptControllerTest, AFailureDoesNotStopTheRestOfTheGroupAndIsLoggedWithoutTheToken) {
    const auto first = makeInterrupt("Smoke", "fire");
    const auto second = makeInterrupt("Heat", "fire");
    const auto third = makeInterrupt("Gas", "fire");
    backend.setActionError(first.id, BackendError::http(502, std::string("Bad gateway")));
    backend.setActionError(second.id, BackendError::forbidden());
    backend.setActionError(third.id, BackendError::notFound());
    poll({first, second, third});
    controller->resolve(first);
    settleAction();
    EXPECT_EQ(backend.actionCalls().size(), 3u);
    EXPECT_EQ(titles(controller->presentedGroup()), (std::vector<std::string>{"Smoke", "Heat"}))
        << "an alert already gone counts as done";
    EXPECT_EQ(englishOf(controller->actionError()), "Bad gateway") << "the first failure is the one shown";
    EXPECT_EQ(logs.count("interrupt action failed: http 502: Bad gateway", "Interrupts"), 1u);
    EXPECT_FALSE(logs.anyLineContains(token));
}

TEST_F(InterruptControllerTest, AnErrorAboutAnotherAlertIsKeptButNotShown) {
    const auto first = makeInterrupt("Smoke");
    backend.setActionError(first.id, BackendError::forbidden());
    poll({first, makeInterrupt("Door")});
    controller->resolve(first);
    settleAction();
    EXPECT_TRUE(controller->actionError());
    controller->dismiss(first);
    EXPECT_EQ(titles(controller->presentedGroup()), std::vector<std::string>{"Door"});
    EXPECT_EQ(englishOf(controller->actionError()), std::nullopt);
}

TEST_F(InterruptControllerTest, OnlyThePresentedAlertCanBeActedOnAndOnlyWithAToken) {
    const auto presented = makeInterrupt("Smoke");
    const auto waiting = makeInterrupt("Door");
    poll({presented, waiting});
    controller->acknowledge(waiting);
    controller->resolve(waiting);
    credentials.deleteDeviceToken();
    controller->acknowledge(presented);
    EXPECT_FALSE(controller->inFlightID());
    mainQueue.drain();
    EXPECT_TRUE(backend.actionCalls().empty());
}

TEST_F(InterruptControllerTest, ASecondTapWhileAnActionIsInFlightDoesNothing) {
    const auto alert = makeInterrupt("Smoke");
    poll({alert});
    backend.hold();
    controller->acknowledge(alert);
    ASSERT_TRUE(backend.waitForCalls(1));
    controller->acknowledge(alert);
    controller->resolve(alert);
    EXPECT_TRUE(controller->isActionInFlight());
    backend.releaseAll();
    settleAction();
    ASSERT_EQ(backend.actionCalls().size(), 1u);
    EXPECT_EQ(backend.actionCalls()[0].action, "ack");
}

TEST_F(InterruptControllerTest, APollArrivingDuringAnActionIsAppliedAtOnce) {
    const auto smoke = makeInterrupt("Smoke", "fire");
    const auto heat = makeInterrupt("Heat", "fire");
    poll({smoke, heat});
    backend.hold();
    controller->acknowledge(smoke);
    ASSERT_TRUE(backend.waitForCalls(1));
    poll({smoke, heat, makeInterrupt("Door")}, true);
    EXPECT_EQ(controller->moreCount(), 1);
    EXPECT_TRUE(controller->truncated());
    backend.releaseAll();
    settleAction();
    EXPECT_EQ(titles(controller->presentedGroup()), std::vector<std::string>{"Door"});
}

TEST_F(InterruptControllerTest, DismissingHidesTheWholePresentedGroupForGoodButOnlyTheOneWaitingAlert) {
    const auto smoke = makeInterrupt("Smoke", "fire");
    const auto heat = makeInterrupt("Heat", "fire");
    const auto door = makeInterrupt("Door");
    const auto leak = makeInterrupt("Leak", "water");
    const auto drip = makeInterrupt("Drip", "water");
    poll({smoke, door, heat, leak, drip});
    controller->dismiss(smoke);
    EXPECT_EQ(titles(controller->presentedGroup()), std::vector<std::string>{"Door"});
    EXPECT_EQ(controller->moreCount(), 1);
    controller->dismiss(leak);  // waiting: only it goes, its group stays
    EXPECT_EQ(controller->moreCount(), 1);
    poll({smoke, door, heat, leak, drip});
    controller->dismiss(door);
    EXPECT_EQ(titles(controller->presentedGroup()), std::vector<std::string>{"Drip"});
    EXPECT_TRUE(backend.actionCalls().empty());
}

TEST_F(InterruptControllerTest, RevocationInTheMiddleOfAGroupStopsAndHandsOverToTheRevocationFlow) {
    const auto first = makeInterrupt("Smoke", "fire");
    const auto second = makeInterrupt("Heat", "fire");
    const auto third = makeInterrupt("Gas", "fire");
    backend.setActionError(first.id, BackendError::forbidden());
    backend.setActionError(second.id, BackendError::revoked());
    poll({first, second, third});
    controller->acknowledge(first);
    settleAction();
    EXPECT_FALSE(controller->isActionInFlight());
    EXPECT_EQ(englishOf(controller->actionError()), std::nullopt) << "an earlier refusal is not shown after revocation";
    EXPECT_EQ(titles(controller->presentedGroup()), (std::vector<std::string>{"Smoke", "Heat", "Gas"}));
    ASSERT_TRUE(mainQueue.drainUntil([&] { return revocations == 1; }));
    controller.reset();  // joins the action's thread, which has ended
    EXPECT_EQ(backend.actionCalls().size(), 2u) << "the third member is not tried";
    EXPECT_EQ(pollNowCalls, 0) << "no poll without a token";
    EXPECT_EQ(credentials.loadDeviceToken(), std::nullopt);
    EXPECT_EQ(revocations, 1);
}

TEST_F(InterruptControllerTest, DestroyingTheControllerDuringAnActionCancelsItQuietly) {
    const auto alert = makeInterrupt("Smoke");
    poll({alert});
    backend.hold();
    controller->acknowledge(alert);
    ASSERT_TRUE(backend.waitForCalls(1));
    controller.reset();  // the held call sees its stop token and gives up
    EXPECT_EQ(mainQueue.drain(), 0u);
    EXPECT_FALSE(logs.contains("interrupt action failed"));
}

}  // namespace
}  // namespace kindora
