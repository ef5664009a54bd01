// What a panel that just appeared lets through: nothing for its first second, then only input that
// began while it was armed.
#include "app/panels/InputGuard.hpp"

#include <gtest/gtest.h>

namespace kindora {
namespace {

using namespace std::chrono_literals;

constexpr int returnKey = 0x01000004;
constexpr int spaceKey = 0x20;

TEST(InputGuard, APanelActsOnlyOnInputBegunOnPurposeAfterItsFirstSecond) {
    const InputGuard::Clock::time_point appeared{100s};
    InputGuard guard;
    guard.restart(appeared);

    // Someone typing in a chat as the panel appears: their Return, its repeats and its release.
    EXPECT_FALSE(guard.allowKeyPress(returnKey, false, appeared + 200ms));
    EXPECT_FALSE(guard.allowKeyPress(returnKey, true, appeared + 700ms));
    EXPECT_FALSE(guard.allowKeyRelease(returnKey, true));
    EXPECT_FALSE(guard.isArmed(appeared + 999ms));
    EXPECT_EQ(guard.untilArmed(appeared + 400ms), 600ms);
    // Still held when the guard arms: its repeats never act, nor does its release.
    EXPECT_FALSE(guard.allowKeyPress(returnKey, true, appeared + 1500ms));
    EXPECT_FALSE(guard.allowKeyRelease(returnKey, false));
    // A key pressed before the panel appeared and released on it: the press was never seen.
    EXPECT_FALSE(guard.allowKeyRelease(spaceKey, false));
    // A click begun too early does not become one by being released later.
    EXPECT_FALSE(guard.allowPointerPress(appeared + 900ms));
    EXPECT_FALSE(guard.allowPointerRelease());

    // Armed: a fresh press acts, its repeats do not, its release does once.
    EXPECT_TRUE(guard.isArmed(appeared + 1s));
    EXPECT_EQ(guard.untilArmed(appeared + 2s), 0ms);
    EXPECT_TRUE(guard.allowKeyPress(spaceKey, false, appeared + 1100ms));
    EXPECT_FALSE(guard.allowKeyPress(spaceKey, true, appeared + 1600ms));
    EXPECT_FALSE(guard.allowKeyRelease(spaceKey, true));
    EXPECT_TRUE(guard.allowKeyRelease(spaceKey, false));
    EXPECT_FALSE(guard.allowKeyRelease(spaceKey, false));
    EXPECT_TRUE(guard.allowPointerPress(appeared + 1200ms));
    EXPECT_TRUE(guard.allowPointerRelease());

    // New content (another alert group) disarms again, and forgets a key held across the change.
    EXPECT_TRUE(guard.allowKeyPress(returnKey, false, appeared + 3s));
    guard.restart(appeared + 3100ms);
    EXPECT_FALSE(guard.allowKeyRelease(returnKey, false));
    EXPECT_FALSE(guard.allowKeyPress(returnKey, false, appeared + 3500ms));
    EXPECT_TRUE(guard.allowKeyPress(returnKey, false, appeared + 4100ms));
}

}  // namespace
}  // namespace kindora
