#include "core/interrupts/DoNotDisturbController.hpp"

#include <gtest/gtest.h>

#include <atomic>
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
        auto controller =
            std::make_unique<DoNotDisturbController>(store, mainQueue, time.sleeper(), time.nowFunction());
        controller->setOnStateChange([this] { ++stateChanges; });
        return controller;
    }

    // Moves the timeline and runs whatever the woken expiry wait posts to the main thread.
    void advanceAndSettle(double seconds, bool expectExpiry) {
        time.advance(seconds);
        if (expectExpiry) {
            ASSERT_TRUE(mainQueue.waitAndDrain());
        } else {
            mainQueue.drain();
        }
    }

    testing::VirtualTime time;
    testing::ManualMainQueue mainQueue;
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
    if (param.active) {
        ASSERT_TRUE(time.waitForSleepers(1));
        EXPECT_EQ(time.pendingDelays(), std::vector<double>{*param.expectedOffset});
    }
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

    ASSERT_TRUE(time.waitForSleepers(1));
    advanceAndSettle(1799, false);
    EXPECT_TRUE(controller->isActive());
    advanceAndSettle(1, true);
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
    // The first wait was cancelled and has left; only the second one is pending.
    ASSERT_TRUE(time.waitForSleepCount(2));
    EXPECT_EQ(time.sleeperCount(), 1u);
    EXPECT_EQ(time.pendingDelays(), std::vector<double>{7200});

    advanceAndSettle(1800, false);
    EXPECT_TRUE(controller->isActive());
    advanceAndSettle(7200 - 1800, true);
    EXPECT_FALSE(controller->isActive());
    EXPECT_EQ(stateChanges, 3);
}

TEST_F(DoNotDisturbControllerTest, DisableEndsAtOnceAndCancelsTheExpiry) {
    auto controller = makeController();
    controller->disable();
    EXPECT_EQ(stateChanges, 0) << "disabling while off tells no one";
    controller->enable(oneHour);
    ASSERT_TRUE(time.waitForSleepers(1));
    controller->disable();
    EXPECT_FALSE(controller->isActive());
    EXPECT_EQ(store.loadUntil(), std::nullopt);
    EXPECT_EQ(stateChanges, 2);
    EXPECT_EQ(time.sleeperCount(), 0u);
    advanceAndSettle(3600, false);
    EXPECT_EQ(stateChanges, 2);
}

TEST_F(DoNotDisturbControllerTest, DestroyingTheControllerCancelsItsPendingExpiry) {
    auto controller = makeController();
    controller->enable(thirtyMinutes);
    ASSERT_TRUE(time.waitForSleepers(1));
    controller.reset();
    EXPECT_EQ(time.sleeperCount(), 0u);
    time.advance(3600);
    mainQueue.drain();
    EXPECT_EQ(stateChanges, 1);
}

// After a sleep of the computer the wall clock has moved on while the expiry wait has not: the clock
// here is the test's own, separate from the virtual sleeper.
class DoNotDisturbWakeTest : public ::testing::Test {
protected:
    DoNotDisturbWakeTest() {
        controller.setOnStateChange([this] { ++stateChanges; });
    }

    testing::VirtualTime sleeperTime;
    testing::ManualMainQueue mainQueue;
    InMemoryDoNotDisturbStore store;
    std::atomic<Date> wallClock{Date(std::chrono::seconds(1'800'000'000))};
    DoNotDisturbController controller{store, mainQueue, sleeperTime.sleeper(),
                                      [this] { return wallClock.load(); }};
    int stateChanges = 0;
};

TEST_F(DoNotDisturbWakeTest, AWakeAfterTheEndEndsThePeriod) {
    controller.enable(thirtyMinutes);
    wallClock = wallClock.load() + std::chrono::hours(3);
    controller.recomputeAfterWake();
    EXPECT_FALSE(controller.isActive());
    EXPECT_EQ(store.loadUntil(), std::nullopt);
    EXPECT_EQ(stateChanges, 2);
    EXPECT_EQ(sleeperTime.sleeperCount(), 0u);
}

TEST_F(DoNotDisturbWakeTest, AWakeInsideThePeriodOnlyReschedulesTheRemainingWait) {
    controller.enable(oneHour);
    const auto until = controller.until();
    wallClock = wallClock.load() + std::chrono::minutes(40);
    controller.recomputeAfterWake();
    EXPECT_EQ(controller.until(), until);
    EXPECT_EQ(stateChanges, 1);
    ASSERT_TRUE(sleeperTime.waitForSleepCount(2));
    EXPECT_EQ(sleeperTime.pendingDelays(), std::vector<double>{20 * 60});
}

TEST_F(DoNotDisturbWakeTest, AClockSetBackwardsCutsThePeriodToTheWindow) {
    controller.enable(twoHours);
    wallClock = wallClock.load() - std::chrono::hours(5);
    controller.recomputeAfterWake();
    EXPECT_EQ(controller.until(), wallClock.load() + std::chrono::hours(2));
    EXPECT_EQ(store.loadUntil(), controller.until());
    EXPECT_EQ(stateChanges, 2);
}

TEST(DoNotDisturbPersistence, APeriodSurvivesARestartThroughTheUserSettings) {
    testing::VirtualTime time;
    testing::ManualMainQueue mainQueue;
    InMemoryDefaults defaults;
    {
        UserDefaultsDoNotDisturbStore store(defaults);
        DoNotDisturbController controller(store, mainQueue, time.sleeper(), time.nowFunction());
        controller.enable(DoNotDisturbPreset::all().at(1));
    }
    time.advance(600);
    UserDefaultsDoNotDisturbStore store(defaults);
    DoNotDisturbController controller(store, mainQueue, time.sleeper(), time.nowFunction());
    EXPECT_TRUE(controller.isActive());
    EXPECT_EQ(controller.until(), time.now() + Seconds(3000));
}

}  // namespace
}  // namespace kindora
