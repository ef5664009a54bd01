#include "core/common/Backoff.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace kindora {
namespace {

std::vector<double> delays(Backoff& backoff, int count) {
    std::vector<double> result;
    for (int i = 0; i < count; ++i) {
        result.push_back(backoff.nextDelay());
    }
    return result;
}

TEST(Backoff, DoublesToItsCapJitteringEachDelayAndASuccessStartsItOver) {
    double factor = 1.0;
    Backoff backoff(5, 60, [&factor] { return factor; });
    EXPECT_EQ(delays(backoff, 6), (std::vector<double>{5, 10, 20, 40, 60, 60}));
    backoff.reset();
    factor = 0.85;
    EXPECT_DOUBLE_EQ(backoff.nextDelay(), 5 * 0.85);
    factor = 1.15;
    EXPECT_DOUBLE_EQ(backoff.nextDelay(), 10 * 1.15);
    EXPECT_EQ(backoff.current(), 20);
}

TEST(Backoff, StartingAtItsCapItNeverGrows) {
    Backoff backoff(60, 60, [] { return 1.0; });
    EXPECT_EQ(delays(backoff, 3), (std::vector<double>{60, 60, 60}));
}

TEST(Backoff, TheDefaultJitterStaysWithinFifteenPercent) {
    Backoff backoff(100, 100);
    for (const double delay : delays(backoff, 200)) {
        EXPECT_GE(delay, 85);
        EXPECT_LE(delay, 115);
    }
}

}  // namespace
}  // namespace kindora
