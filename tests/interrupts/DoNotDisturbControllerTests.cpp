#include "core/interrupts/DoNotDisturbController.hpp"

#include <gtest/gtest.h>

#include <memory>

#include "core/common/InMemoryDefaults.hpp"
#include "core/interrupts/UserDefaultsDoNotDisturbStore.hpp"
#include "tests/support/InMemoryDoNotDisturbStore.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora {
namespace {

const DoNotDisturbPreset thirtyMinutes = DoNotDisturbPreset::all().at(0);
const DoNotDisturbPreset oneHour = DoNotDisturbPreset::all().at(1);
const DoNotDisturbPreset twoHours = DoNotDisturbPreset::all().at(2);

class DoNotDisturbControllerTest : public ::testing::Test {
protected:
    std::unique_ptr<DoNotDisturbController> makeController() {
        auto controller = std::make_unique<DoNotDisturbController>(store, mainQueue, time.nowFunction());
        controller->setOnStateChange([this] { ++stateChanges; });
        return controller;
    }

    // Moves the timeline and runs whatever came due on the main queue.
    void advanceAndDrain(double seconds) {
        time.advance(seconds);
        mainQueue.drain();
    }

    testing::VirtualTime time;
    testing::ManualMainQueue mainQueue{time};
    InMemoryDoNotDisturbStore store;
    int stateChanges = 0;
};

struct StoredEndCase {
    const char* name;
    std::optional<double> storedOffset;  // seconds from launch
    bool active;
    std::optional<double> expectedOffset;
    std::optional<double> storedAfterwards;
};

class DoNotDisturbLaunchTest : public DoNotDisturbControllerTest,
                               public ::testing::WithParamInterface<StoredEndCase> {};

TEST_P(DoNotDisturbLaunchTest, AStoredEndIsTakenUpCappedOrErased) {
    const auto& param = GetParam();
    const Date launch = time.now();
    if (param.storedOffset) {
        store.saveUntil(launch + Seconds(*param.storedOffset));
    }
    auto controller = makeController();
    EXPECT_EQ(controller->isActive(), param.active);
    const auto offsetOf = [&](std::optional<Date> date) -> std::optional<double> {
        return date ? std::optional(secondsBetween(launch, *date)) : std::nullopt;
    };
    EXPECT_EQ(offsetOf(controller->until()), param.expectedOffset);
    EXPECT_EQ(offsetOf(store.loadUntil()), param.storedAfterwards);
    EXPECT_EQ(mainQueue.pendingDelays(),
              param.active ? std::vector<double>{*param.expectedOffset} : std::vector<double>{});
    EXPECT_EQ(stateChanges, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Launch, DoNotDisturbLaunchTest,
    ::testing::Values(StoredEndCase{"nothingStored", std::nullopt, false, std::nullopt, std::nullopt},
                      StoredEndCase{"endInThePast", -60, false, std::nullopt, std::nullopt},
                      StoredEndCase{"endExactlyNow", 0, false, std::nullopt, std::nullopt},
                      StoredEndCase{"oneHourAhead", 3600, true, 3600, 3600},
                      StoredEndCase{"exactlyTheWindowAhead", 7200, true, 7200, 7200},
                      StoredEndCase{"threeHoursAheadIsCutToTwo", 3 * 3600, true, 7200, 7200}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(DoNotDisturbControllerTest, EnableStartsAPeriodThatEndsByItself) {
    auto controller = makeController();
    controller->enable(thirtyMinutes);
    EXPECT_TRUE(controller->isActive());
    EXPECT_EQ(controller->until(), time.now() + Seconds(1800));
    EXPECT_EQ(store.loadUntil(), controller->until());
    EXPECT_EQ(stateChanges, 1);

    advanceAndDrain(1799);
    EXPECT_TRUE(controller->isActive());
    advanceAndDrain(1);
    EXPECT_FALSE(controller->isActive());
    EXPECT_EQ(store.loadUntil(), std::nullopt);
    EXPECT_EQ(stateChanges, 2);
}

TEST_F(DoNotDisturbControllerTest, EnablingTwoPresetsInARowLeavesOnePendingExpiry) {
    auto controller = makeController();
    controller->enable(thirtyMinutes);
    time.advance(60);
    const Date secondCall = time.now();
    controller->enable(twoHours);
    EXPECT_EQ(controller->until(), secondCall + Seconds(7200));
    // The first expiry is dropped when it comes due; only the second one ends the period.
    advanceAndDrain(1800);
    EXPECT_TRUE(controller->isActive());
    EXPECT_EQ(mainQueue.pendingDelays(), std::vector<double>{7200 - 1800});
    advanceAndDrain(7200 - 1800);
    EXPECT_FALSE(controller->isActive());
    EXPECT_EQ(stateChanges, 3);
}

TEST_F(DoNotDisturbControllerTest, DisableEndsAtOnceAndCancelsTheExpiry) {
    auto controller = makeController();
    controller->disable();
    EXPECT_EQ(stateChanges, 0) << "disabling while off tells no one";
    controller->enable(oneHour);
    controller->disable();
    EXPECT_FALSE(controller->isActive());
    EXPECT_EQ(store.loadUntil(), std::nullopt);
    EXPECT_EQ(stateChanges, 2);
    advanceAndDrain(3600);
    EXPECT_EQ(stateChanges, 2);
}

TEST_F(DoNotDisturbControllerTest, DestroyingTheControllerCancelsItsPendingExpiry) {
    auto controller = makeController();
    controller->enable(thirtyMinutes);
    controller.reset();
    advanceAndDrain(3600);  // its expiry comes due with nothing left to run it on
    EXPECT_EQ(stateChanges, 1);
}

// After a sleep of the computer the wall clock has moved on while the queue's steady clock has not: the
// wall clock here is the test's own, separate from the queue's timeline.
class DoNotDisturbWakeTest : public ::testing::Test {
protected:
    DoNotDisturbWakeTest() {
        controller.setOnStateChange([this] { ++stateChanges; });
    }

    testing::VirtualTime steadyTime;
    testing::ManualMainQueue mainQueue{steadyTime};
    InMemoryDoNotDisturbStore store;
    Date wallClock{std::chrono::seconds(1'800'000'000)};
    DoNotDisturbController controller{store, mainQueue, [this] { return wallClock; }};
    int stateChanges = 0;
};

TEST_F(DoNotDisturbWakeTest, AWakeAfterTheEndEndsThePeriod) {
    controller.enable(thirtyMinutes);
    wallClock = wallClock + std::chrono::hours(3);
    controller.recomputeAfterWake();
    EXPECT_FALSE(controller.isActive());
    EXPECT_EQ(store.loadUntil(), std::nullopt);
    EXPECT_EQ(stateChanges, 2);
    steadyTime.advance(1800);
    mainQueue.drain();
    EXPECT_EQ(stateChanges, 2) << "the old expiry was dropped";
}

TEST_F(DoNotDisturbWakeTest, AWakeInsideThePeriodOnlyReschedulesTheRemainingWait) {
    controller.enable(oneHour);
    const auto until = controller.until();
    wallClock = wallClock + std::chrono::minutes(40);
    controller.recomputeAfterWake();
    EXPECT_EQ(controller.until(), until);
    EXPECT_EQ(stateChanges, 1);
    EXPECT_EQ(mainQueue.pendingDelays(), (std::vector<double>{20 * 60, 3600}));
    steadyTime.advance(20 * 60);
    wallClock = wallClock + std::chrono::minutes(20);
    mainQueue.drain();
    EXPECT_FALSE(controller.isActive());
    EXPECT_EQ(stateChanges, 2);
}

TEST_F(DoNotDisturbWakeTest, AClockSetBackwardsCutsThePeriodToTheWindow) {
    controller.enable(twoHours);
    wallClock = wallClock - std::chrono::hours(5);
    controller.recomputeAfterWake();
    EXPECT_EQ(controller.until(), wallClock + std::chrono::hours(2));
    EXPECT_EQ(store.loadUntil(), controller.until());
    EXPECT_EQ(stateChanges, 2);
}

TEST_F(DoNotDisturbWakeTest, AnExpiryDueBeforeTheWallClockReachesTheEndWaitsForTheRest) {
    controller.enable(thirtyMinutes);
    steadyTime.advance(1800);
    wallClock = wallClock + std::chrono::minutes(10);  // the clock was set back 20 minutes meanwhile
    mainQueue.drain();
    EXPECT_TRUE(controller.isActive());
    EXPECT_EQ(mainQueue.pendingDelays(), std::vector<double>{20 * 60});
    steadyTime.advance(20 * 60);
    wallClock = wallClock + std::chrono::minutes(20);
    mainQueue.drain();
    EXPECT_FALSE(controller.isActive());
    EXPECT_EQ(stateChanges, 2);
}

TEST(DoNotDisturbPersistence, APeriodSurvivesARestartThroughTheUserSettings) {
    testing::VirtualTime time;
    testing::ManualMainQueue mainQueue;
    InMemoryDefaults defaults;
    {
        UserDefaultsDoNotDisturbStore store(defaults);
        DoNotDisturbController controller(store, mainQueue, time.nowFunction());
        controller.enable(DoNotDisturbPreset::all().at(1));
    }
    time.advance(600);
    UserDefaultsDoNotDisturbStore store(defaults);
    DoNotDisturbController controller(store, mainQueue, time.nowFunction());
    EXPECT_TRUE(controller.isActive());
    EXPECT_EQ(controller.until(), time.now() + Seconds(3000));
}

}  // namespace
}  // namespace kindora
