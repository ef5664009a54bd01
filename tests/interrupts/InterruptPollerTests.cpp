#include "core/interrupts/InterruptPoller.hpp"

#include <gtest/gtest.h>

#include <mutex>

#include "core/credentials/InMemoryCredentialStore.hpp"
#include "tests/interrupts/FakeInterruptBackend.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/VirtualTime.hpp"

namespace kindora {
namespace {

Interrupt makeInterrupt(std::string title) {
    Interrupt interrupt;
    interrupt.id = Uuid::random();
    interrupt.title = std::move(title);
    interrupt.body = "Body";
    interrupt.source = "rules";
    return interrupt;
}

class InterruptPollerTest : public ::testing::Test {
protected:
    InterruptPollerTest() { credentials.saveDeviceToken(token); }

    // Lets the loop begin `count` waits in all, moving the timeline to each pending deadline in turn.
    void runUntilWait(std::size_t count) {
        ASSERT_TRUE(time.waitForSleepCount(1));
        while (time.sleepCount() < count) {
            const auto begun = time.sleepCount();
            ASSERT_TRUE(time.waitForSleepers(1));
            time.advanceToNextDeadline();
            ASSERT_TRUE(time.waitForSleepCount(begun + 1));
        }
    }

    const std::string token = "device-token-7f3a";
    testing::VirtualTime time;
    testing::FakeInterruptBackend backend;
    InMemoryCredentialStore credentials;
    RevocationHandler revocation{credentials};
    testing::LogCapture logs;
    InterruptPoller poller{backend, credentials, revocation, time.sleeper()};
};

TEST_F(InterruptPollerTest, WithoutATokenTheBackendIsNeverAskedAndTicksComeEveryFiveSeconds) {
    credentials.deleteDeviceToken();
    poller.start();
    runUntilWait(4);
    EXPECT_EQ(backend.pollCount(), 0);
    EXPECT_EQ(time.requestedSleeps(), (std::vector<double>{5, 5, 5, 5}));
    poller.stop();
}

TEST_F(InterruptPollerTest, HandsEveryAnswerUnchangedToTheHandlerWithTheToken) {
    const InterruptsResponse answer{{makeInterrupt("Door open"), makeInterrupt("Smoke")}, true};
    backend.queuePollResult(answer);
    std::mutex mutex;
    std::vector<InterruptsResponse> received;
    poller.setInterruptsHandler([&](const InterruptsResponse& response) {
        std::lock_guard lock(mutex);
        received.push_back(response);
    });
    poller.start();
    runUntilWait(2);
    poller.stop();
    std::lock_guard lock(mutex);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], answer);
    EXPECT_EQ(backend.pollTokens(), (std::vector<std::string>{token, token}));
    EXPECT_EQ(time.requestedSleeps(), (std::vector<double>{5, 5}));
}

TEST_F(InterruptPollerTest, FailuresBackOffDoublingToAMinuteWithJitterAndASuccessResetsIt) {
    for (int failure = 0; failure < 10; ++failure) {
        backend.queuePollResult(BackendError::network("offline"));
    }
    backend.queuePollResult(InterruptsResponse{});
    backend.queuePollResult(BackendError::http(500));
    poller.start();
    runUntilWait(12);
    poller.stop();

    const auto delays = time.requestedSleeps();
    ASSERT_GE(delays.size(), 12u);
    const double expectedBase[] = {5, 10, 20, 40, 60, 60, 60, 60, 60, 60};
    for (std::size_t index = 0; index < 10; ++index) {
        EXPECT_GE(delays[index], expectedBase[index] * 0.85) << "failure " << index + 1;
        EXPECT_LE(delays[index], expectedBase[index] * 1.15) << "failure " << index + 1;
    }
    EXPECT_GE(delays[9], 51);
    EXPECT_LE(delays[9], 69);
    EXPECT_EQ(delays[10], 5) << "a success waits the plain interval";
    EXPECT_GE(delays[11], 4.25) << "the next failure starts again from 5 s";
    EXPECT_LE(delays[11], 5.75);
    EXPECT_EQ(logs.count("interrupt poll failed, backing off: network: offline", "Interrupts"), 10u);
    EXPECT_FALSE(logs.anyLineContains(token));
}

// A revoked answer ending the loop after one revocation flow is walked against the real server by the
// interrupts integration test.
TEST_F(InterruptPollerTest, StoppingDuringARequestCancelsItWithoutCountingAFailure) {
    backend.hold();
    poller.start();
    ASSERT_TRUE(backend.waitForCalls(1));
    poller.stop();
    poller.start();  // joins the stopped loop, whose cancelled request did not back off
    ASSERT_TRUE(backend.waitForCalls(2));
    backend.releaseAll();
    ASSERT_TRUE(time.waitForSleepers(1));
    EXPECT_EQ(time.pendingDelays(), std::vector<double>{5});
    EXPECT_FALSE(logs.contains("interrupt poll failed"));
    poller.stop();
}

}  // namespace
}  // namespace kindora
