#include "core/meetings/MeetingPoller.hpp"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <variant>
#include <vector>

#include "core/backend/BackendError.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "tests/meetings/MeetingTestSupport.hpp"
#include "tests/support/LogCapture.hpp"

namespace kindora {
namespace {

using testing::at;
using testing::meeting;

// A backend that answers from a script, one entry per call; the last entry repeats.
class ScriptedMeetingClient final : public MeetingBackendClientProtocol {
public:
    using Answer = std::variant<MeetingsResponse, BackendError>;

    explicit ScriptedMeetingClient(std::vector<Answer> script) : script_(std::move(script)) {}

    MeetingsResponse fetchMeetings(const std::string& token, StopToken) override {
        std::lock_guard lock(mutex_);
        tokens_.push_back(token);
        const auto& answer = script_[std::min(tokens_.size() - 1, script_.size() - 1)];
        if (const auto* error = std::get_if<BackendError>(&answer)) {
            throw *error;
        }
        return std::get<MeetingsResponse>(answer);
    }

    std::vector<std::string> tokens() const {
        std::lock_guard lock(mutex_);
        return tokens_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Answer> script_;
    std::vector<std::string> tokens_;
};

class MeetingPollerTest : public ::testing::Test {
protected:
    testing::VirtualTime time;
    testing::LogCapture logs;
    InMemoryCredentialStore credentials;
    RevocationHandler revocation{credentials};
    std::mutex receivedMutex;
    std::vector<MeetingsResponse> received;

    MeetingPollerTest() { credentials.saveDeviceToken("device-token-secret"); }

    void receiveInto(MeetingPoller& poller) {
        poller.setMeetingsHandler([this](const MeetingsResponse& response) {
            std::lock_guard lock(receivedMutex);
            received.push_back(response);
        });
    }

    // Lets the loop run `ticks` more ticks: each tick ends in a wait, which the test then ends.
    void runTicks(std::size_t ticks) {
        for (std::size_t done = 0; done < ticks; ++done) {
            ASSERT_TRUE(time.waitForSleepCount(++waitsSeen));
            ASSERT_TRUE(time.waitForSleepers(1));
            time.advanceToNextDeadline();
        }
        ASSERT_TRUE(time.waitForSleepCount(++waitsSeen));
    }

    std::size_t waitsSeen = 0;
};

TEST_F(MeetingPollerTest, PollsEveryMinuteWithTheTokenAndHandsOverEachAnswer) {
    const MeetingsResponse answer{{meeting("m", at("2026-12-07T10:00:00Z"))}};
    ScriptedMeetingClient client({answer});
    MeetingPoller poller(client, credentials, revocation, time.sleeper());
    receiveInto(poller);
    poller.start();
    runTicks(2);
    poller.stop();
    EXPECT_EQ(client.tokens(), (std::vector<std::string>(3, "device-token-secret")));
    EXPECT_EQ(time.requestedSleeps(), (std::vector<double>{60, 60, 60}));
    std::lock_guard lock(receivedMutex);
    EXPECT_EQ(received, std::vector<MeetingsResponse>(3, answer));
}

TEST_F(MeetingPollerTest, FailuresWaitAJitteredMinuteAndSuccessReturnsToTheMinute) {
    std::vector<ScriptedMeetingClient::Answer> script(8, BackendError::http(500, "boom"));
    script.push_back(MeetingsResponse{});
    ScriptedMeetingClient client(script);
    MeetingPoller poller(client, credentials, revocation, time.sleeper());
    poller.start();
    runTicks(9);
    poller.stop();
    const auto sleeps = time.requestedSleeps();
    ASSERT_EQ(sleeps.size(), 10u);
    for (std::size_t index = 0; index < 8; ++index) {
        EXPECT_GE(sleeps[index], 51.0);
        EXPECT_LE(sleeps[index], 69.0);
    }
    EXPECT_EQ(sleeps[8], 60.0);
    EXPECT_EQ(logs.count("meeting poll failed, backing off: http 500: boom", "Meetings"), 8u);
    EXPECT_FALSE(logs.anyLineContains("device-token-secret"));
}

TEST_F(MeetingPollerTest, WithoutATokenTheBackendIsNeverCalled) {
    credentials.deleteDeviceToken();
    ScriptedMeetingClient client({MeetingsResponse{}});
    MeetingPoller poller(client, credentials, revocation, time.sleeper());
    poller.start();
    runTicks(3);
    poller.stop();
    EXPECT_TRUE(client.tokens().empty());
    EXPECT_EQ(time.requestedSleeps(), (std::vector<double>(4, 60)));
}

TEST_F(MeetingPollerTest, ARevokedAnswerStopsTheLoopAfterOneRevocation) {
    int revocations = 0;
    revocation.setCallback([&revocations] { ++revocations; });
    ScriptedMeetingClient client({BackendError::revoked()});
    MeetingPoller poller(client, credentials, revocation, time.sleeper());
    poller.start();
    while (poller.isRunning()) {
        std::this_thread::yield();
    }
    time.advance(3600);
    poller.start();  // a later start (after pairing again) finds no token and does not call
    ASSERT_TRUE(time.waitForSleepers(1));
    poller.stop();
    EXPECT_EQ(client.tokens().size(), 1u);
    EXPECT_EQ(revocations, 1);
    EXPECT_FALSE(credentials.loadDeviceToken());
    EXPECT_EQ(time.requestedSleeps(), std::vector<double>{60});
}

TEST_F(MeetingPollerTest, TickNowDuringAWaitFetchesAtOnce) {
    ScriptedMeetingClient client({MeetingsResponse{}});
    MeetingPoller poller(client, credentials, revocation, time.sleeper());
    poller.start();
    ASSERT_TRUE(time.waitForSleepers(1));
    const Date before = time.now();
    poller.tickNow();
    ASSERT_TRUE(time.waitForSleepCount(2));
    poller.stop();
    EXPECT_EQ(client.tokens().size(), 2u);
    EXPECT_EQ(time.now(), before);
}

}  // namespace
}  // namespace kindora
