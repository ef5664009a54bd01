// The headless agent's console over the composed agent on virtual time: an idle agent writes nothing
// after its first status line, and forwarded messages make exactly the news they are.
#include "tools/headless/ConsoleReporter.hpp"

#include <gtest/gtest.h>

#include "tests/agent/AgentScenario.hpp"

namespace kindora {
namespace {

using ConsoleReporterScenario = testing::AgentScenario;

TEST_F(ConsoleReporterScenario, AnIdleAgentStaysQuietAndForwardedMessagesAreNews) {
    pairDevice();
    makeAgent();
    const ConsoleReporter console(*agent);
    int syncTicks = 0;
    const Subscription ticks =
        agent->syncStatusStore().observeStatus([&](const SyncStatus&) { ++syncTicks; });
    launch();
    ASSERT_TRUE(waitFor([&] { return syncTicks == 1; }));
    EXPECT_EQ(log.count("phase: running", "AppDelegate"), 1u);

    // A minute of idle ticks, every five seconds: each publishes a status (the time of the last sync).
    for (int tick = 2; tick <= 12; ++tick) {
        ASSERT_TRUE(time.waitForSleepers(4));
        time.advance(5);
        ASSERT_TRUE(waitFor([&] { return syncTicks == tick; }));
    }
    EXPECT_EQ(log.count("sync: ", "AppDelegate"), 1u) << "nothing a person would care about changed";

    ASSERT_TRUE(time.waitForSleepers(4));
    const auto appended = ChatDBGenerator::append(databasePath.string(), 12, 3, time.now());
    agent->syncNow();
    ASSERT_TRUE(
        waitFor([&] { return agent->syncStatusStore().status().lifetimeSentCount == appended.inbound; }));
    EXPECT_EQ(log.count("sync: ", "AppDelegate"), 2u);
    EXPECT_TRUE(
        log.contains("sync: " + std::to_string(appended.inbound) + " sent this session", "AppDelegate"));
}

}  // namespace
}  // namespace kindora
