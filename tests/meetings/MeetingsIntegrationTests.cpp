// Meetings against the real kindora-devserver (in-process, over HTTP on loopback) through the real
// backend client: the poller fetches the household's calendar, the takeover and the automatic join
// happen at the right virtual moments, and a revoked device ends the polling. The household dates
// everything on the same virtual timeline; the main thread is the test's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/AgentPaths.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/meetings/AutoJoinController.hpp"
#include "core/meetings/FileMeetingLedgerStore.hpp"
#include "core/meetings/MeetingDisruptController.hpp"
#include "core/meetings/MeetingPoller.hpp"
#include "tests/meetings/MeetingTestSupport.hpp"
#include "tests/support/InMemoryMeetingPreferencesStore.hpp"
#include "tests/support/LogCapture.hpp"
#include "tools/devserver/DevServer.hpp"

namespace kindora {
namespace {

using testing::at;

// The devserver, already serving once constructed, so that its origin is known to the client.
struct RunningDevServer {
    explicit RunningDevServer(SyncClock clock) : server(devserver::DevServerOptions{}, std::move(clock)) {
        server.start();
    }
    devserver::DevServer server;
};

class MeetingsIntegrationTest : public ::testing::Test {
protected:
    MeetingsIntegrationTest() {
        const auto pairing =
            server.household().createPairing(PairingCreateRequest{"den-pc", "macos", "2.0.1"});
        server.household().confirmPairing(pairing.code);
        deviceId = pairing.deviceId;
        token = pairing.deviceToken;
        credentials.saveDeviceToken(token);
        // As the composition root wires them: each answer hops to the main thread and reaches both
        // controllers, and an automatic join takes the meeting out of the takeover.
        poller.setMeetingsHandler([this](const MeetingsResponse& response) {
            mainQueue.post([this, response] {
                ++pollsApplied;
                disrupt.handleMeetings(response);
                autoJoin.handleMeetings(response);
            });
        });
        autoJoin.setOnDidJoin(
            [this](const Meeting& meeting) { disrupt.markJoined(meeting.id, meeting.startsAt); });
    }

    // Members go in reverse order: the poller's thread ends first, then the client's kept-alive
    // connections close, and only then does the server stop, without waiting for idle connections.

    Meeting addMeeting(const std::string& id, Date startsAt, MeetingProvider provider,
                       const std::string& joinUrl) {
        Meeting meeting;
        meeting.id = id;
        meeting.title = "Meeting " + id;
        meeting.startsAt = startsAt;
        meeting.endsAt = startsAt + Seconds(1800);
        meeting.joinUrl = joinUrl;
        meeting.provider = provider;
        meeting.calendarLabel = "Work";
        return server.household().addMeeting(meeting);
    }

    std::vector<std::string> presentedIDs() const {
        std::vector<std::string> ids;
        for (const auto& meeting : disrupt.presentedMeetings()) {
            ids.push_back(meeting.id);
        }
        return ids;
    }

    // What the agent logged, shown when a poll that should have succeeded did not.
    std::string loggedLines() const {
        std::string text;
        for (const auto& line : logs.messages()) {
            text += line + "\n";
        }
        return text;
    }

    // Threads waiting on the timeline: the poller's loop.
    std::size_t sleepingThreads() const { return poller.isRunning() ? 1u : 0u; }

    const Date start = at("2026-12-07T09:50:00Z");
    testing::VirtualTime time{start};
    testing::ManualMainQueue mainQueue{time};
    testing::LogCapture logs;
    RunningDevServer running{time.clock()};
    devserver::DevServer& server = running.server;
    std::string deviceId;
    std::string token;
    CurlTransport transport;
    BackendClient client{server.origin(), transport};
    InMemoryCredentialStore credentials;
    RevocationHandler revocation{credentials};
    int pollsApplied = 0;
    std::vector<std::string> opened;

    InMemoryMeetingPreferencesStore preferences{
        MeetingPreferences{true, MeetingLeadTime::fiveMinutes, true, false}};
    const std::filesystem::path ledgerDirectory =
        AgentPaths::dataDirectory() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    FileMeetingLedgerStore presentationStore{ledgerDirectory, FileMeetingLedgerStore::presentationFileName};
    FileMeetingLedgerStore autoJoinStore{ledgerDirectory, FileMeetingLedgerStore::autoJoinFileName};
    MeetingPresentationLedger presentationLedger{presentationStore, time.nowFunction()};
    MeetingPresentationLedger autoJoinLedger{autoJoinStore, time.nowFunction()};
    MeetingDisruptController disrupt{preferences, presentationLedger, time.nowFunction(), mainQueue};
    AutoJoinController autoJoin{preferences,
                                autoJoinLedger,
                                time.nowFunction(),
                                MeetingPresenceProbe([] { return false; }),
                                [this](const std::string& url) { opened.push_back(url); },
                                mainQueue};
    MeetingPoller poller{client, credentials, revocation, time.sleeper()};
    testing::BoundaryStepper stepper{time, mainQueue, [this] { return sleepingThreads(); }};
};

TEST_F(MeetingsIntegrationTest, APolledMeetingIsTakenOverAtItsLeadTimeAndJoinedAtItsStart) {
    const Date ten = at("2026-12-07T10:00:00Z");
    addMeeting("standup", ten, MeetingProvider::zoom, "https://acme.zoom.us/j/42");
    addMeeting("offsite", ten + Seconds(3 * 3600), MeetingProvider::meet,
               "https://meet.google.com/abc-defg-hij");
    addMeeting("look-alike", ten + Seconds(60), MeetingProvider::zoom, "https://zoom.us.example.net/j/1");

    poller.start();
    stepper.settle();
    ASSERT_EQ(pollsApplied, 1) << loggedLines();
    EXPECT_EQ(disrupt.currentMeetings().size(), 3u);
    EXPECT_TRUE(presentedIDs().empty());

    stepper.stepTo(at("2026-12-07T09:54:59Z"));
    EXPECT_TRUE(presentedIDs().empty());
    stepper.stepTo(at("2026-12-07T09:55:00Z"));
    EXPECT_EQ(presentedIDs(), std::vector<std::string>{"standup"});
    EXPECT_TRUE(autoJoin.isArmed(disrupt.presentedMeetings().front()));

    stepper.stepTo(at("2026-12-07T09:59:59Z"));
    EXPECT_TRUE(opened.empty());
    stepper.stepTo(ten);
    EXPECT_EQ(opened, std::vector<std::string>{"https://acme.zoom.us/j/42"});
    EXPECT_TRUE(presentedIDs().empty()) << "the join takes the meeting out of the takeover";

    stepper.stepTo(at("2026-12-07T10:02:00Z"));
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(logs.count("auto-join: skipped meeting look-alike reason=invalid-join-url", "Meetings"), 1u);
    EXPECT_GE(pollsApplied, 12);
    const auto autoJoinFile = FileMeetingLedgerStore(ledgerDirectory, "auto-join-ledger.json").load();
    ASSERT_TRUE(autoJoinFile);
    EXPECT_TRUE(autoJoinFile->presentedAt.contains("standup"));
    const auto presentationFile = FileMeetingLedgerStore(ledgerDirectory, "meeting-ledger.json").load();
    ASSERT_TRUE(presentationFile);
    EXPECT_TRUE(presentationFile->presentedAt.contains("standup"));
    EXPECT_FALSE(logs.anyLineContains(token));
}

}  // namespace
}  // namespace kindora
