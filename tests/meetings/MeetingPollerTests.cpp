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

// The loop itself (revocation, tickNow, a stop during a request) is BackendPoller's, walked through by
// the interrupt poller's tests; these check the meeting poller's own timing.
TEST_F(MeetingPollerTest, PollsEveryMinuteAndWhileTheBackendFailsWaitsAJitteredMinuteThatNeverGrows) {
    MeetingsResponse answer{{meeting("m", at("2026-12-07T10:00:00Z"))}};
    answer.skipped = 2;
    std::vector<ScriptedMeetingClient::Answer> script{answer};
    script.insert(script.end(), 8, BackendError::http(500, "boom"));
    script.push_back(answer);
    ScriptedMeetingClient client(script);
    MeetingPoller poller(client, credentials, revocation, time.sleeper());
    receiveInto(poller);
    poller.start();
    runTicks(10);
    poller.stop();

    const auto sleeps = time.requestedSleeps();
    ASSERT_EQ(sleeps.size(), 11u);
    EXPECT_EQ(sleeps.front(), 60.0);
    for (std::size_t index = 1; index <= 8; ++index) {
        EXPECT_GE(sleeps[index], 51.0);
        EXPECT_LE(sleeps[index], 69.0);
    }
    EXPECT_EQ(sleeps[9], 60.0);
    EXPECT_EQ(client.tokens(), (std::vector<std::string>(11, "device-token-secret")));
    EXPECT_EQ(logs.count("meeting poll failed, backing off: http 500: boom", "Meetings"), 8u);
    EXPECT_GE(logs.count("skipped 2 meetings that could not be read", "Meetings"), 2u);
    EXPECT_FALSE(logs.anyLineContains("device-token-secret"));
    std::lock_guard lock(receivedMutex);
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received.front(), answer);
}

TEST_F(MeetingPollerTest, WithoutATokenTheBackendIsNeverCalledAndTicksComeEveryMinute) {
    credentials.deleteDeviceToken();
    ScriptedMeetingClient client({MeetingsResponse{}});
    MeetingPoller poller(client, credentials, revocation, time.sleeper());
    poller.start();
    runTicks(3);
    poller.stop();
    EXPECT_TRUE(client.tokens().empty());
    EXPECT_EQ(time.requestedSleeps(), (std::vector<double>(4, 60)));
}

}  // namespace
}  // namespace kindora
