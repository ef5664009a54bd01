// Four agents at once against one devserver over loopback HTTP, for a bounded time: every request
// is answered with its own records, none is lost or given to another device. The CI form runs about
// 10 seconds; KINDORA_DEVSERVER_SOAK_SECONDS asks for longer (60 for the full minute).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/SyncClock.hpp"
#include "tests/tools/devserver/DevServerTestSupport.hpp"
#include "tools/devserver/DevServer.hpp"

namespace kindora::devserver {
namespace {

constexpr int agentCount = 4;
constexpr int batchSize = 5;
// Keeps the run bounded in requests too, whatever the machine's speed.
constexpr int maximumRoundsPerAgentPerSecond = 400;

double soakSeconds() {
    const char* text = std::getenv("KINDORA_DEVSERVER_SOAK_SECONDS");
    const double seconds = text != nullptr ? std::atof(text) : 0;
    return seconds > 0 ? std::min(seconds, 600.0) : 10.0;
}

struct AgentTally {
    std::string deviceId;
    int messagesSent = 0;
    int raised = 0;
    int readsSent = 0;
    int failures = 0;
    std::string firstFailure;
};

TEST(DevServerConcurrency, FourAgentsAtOnceEachGetTheirOwnAnswersAndNothingIsLost) {
    DevServerOptions options;
    options.threadCount = 8;
    DevServer server(options);
    server.start();
    HouseholdRules rules;
    rules.keywords = {KeywordRule{"alarm", "Alarm", InterruptUrgency::urgent, false, true, std::nullopt}};
    rules.interruptPageSize = 1000;
    server.household().setRules(rules);

    CurlTransport transport;
    BackendClient client(server.origin(), transport);
    std::vector<std::string> tokens;
    std::vector<AgentTally> tallies(agentCount);
    for (int agent = 0; agent < agentCount; ++agent) {
        const PairingCreateResponse created =
            client.createPairing("mac-" + std::to_string(agent), std::nullopt);
        server.household().confirmPairing(created.code);
        tokens.push_back(created.deviceToken);
        tallies[agent].deviceId = created.deviceId;
    }

    const int maximumRoundsPerAgent = static_cast<int>(soakSeconds() * maximumRoundsPerAgentPerSecond);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(soakSeconds());
    std::vector<std::thread> agents;
    for (int agent = 0; agent < agentCount; ++agent) {
        agents.emplace_back([&, agent] {
            // Each agent has a client and connections of its own, as four computers would.
            CurlTransport ownTransport;
            BackendClient ownClient(server.origin(), ownTransport);
            AgentTally& tally = tallies[agent];
            const std::string& token = tokens[agent];
            const auto fail = [&](const std::string& what) {
                if (tally.failures++ == 0) {
                    tally.firstFailure = what;
                }
            };
            for (int round = 0; round < maximumRoundsPerAgent && std::chrono::steady_clock::now() < deadline;
                 ++round) {
                try {
                    std::vector<IngestMessage> messages;
                    std::vector<IngestOutcome> expected;
                    for (int i = 0; i < batchSize; ++i) {
                        const std::string guid =
                            std::to_string(agent) + ":" + std::to_string(round) + ":" + std::to_string(i);
                        // Only the message read back below raises, so every alert is resolved again.
                        const bool alarm = i == 0 && round % 3 == 0;
                        messages.push_back(
                            testsupport::message(guid, alarm ? "the ALARM went off" : "all quiet"));
                        expected.push_back(
                            {guid, alarm ? IngestOutcomeKind::raised : IngestOutcomeKind::noMatch});
                        tally.raised += alarm ? 1 : 0;
                    }
                    const IngestResponse answer = ownClient.ingest(token, testsupport::batch(messages));
                    if (answer.outcomes != expected || answer.accepted != batchSize) {
                        fail("ingest answer of round " + std::to_string(round) + " is not this batch's");
                    }
                    tally.messagesSent += batchSize;

                    const IngestResponse reads =
                        ownClient.ingest(token, testsupport::readReport({messages[0].guid}));
                    if (reads.alreadyRead != 0 ||
                        reads.resolved != (expected[0].outcome == IngestOutcomeKind::raised ? 1 : 0)) {
                        fail("read answer of round " + std::to_string(round) + " is not this report's");
                    }
                    ++tally.readsSent;

                    if (!ownClient.heartbeat(token, round, std::nullopt).commands.empty()) {
                        fail("a heartbeat brought commands nobody queued");
                    }
                    ownClient.interrupts(token);
                    ownClient.fetchMeetings(token);
                } catch (const std::exception& error) {
                    fail(error.what());
                }
            }
        });
    }
    for (std::thread& thread : agents) {
        thread.join();
    }

    const HouseholdSnapshot household = server.household().snapshot();
    std::map<std::string, int> storedPerDevice;
    std::map<std::string, int> readsPerDevice;
    for (const StoredMessage& stored : household.messages) {
        ++storedPerDevice[stored.deviceId];
        // The GUID names the agent that sent it; it must be stored under that agent's device.
        const int sender = std::stoi(stored.message.guid.substr(0, stored.message.guid.find(':')));
        EXPECT_EQ(stored.deviceId, tallies.at(sender).deviceId) << stored.message.guid;
    }
    for (const StoredRead& read : household.reads) {
        ++readsPerDevice[read.deviceId];
        EXPECT_EQ(read.result, ReadResult::markedRead) << read.guid;
    }
    int total = 0;
    for (const AgentTally& tally : tallies) {
        EXPECT_EQ(tally.failures, 0) << tally.deviceId << ": " << tally.firstFailure;
        EXPECT_GT(tally.messagesSent, 0);
        EXPECT_EQ(storedPerDevice[tally.deviceId], tally.messagesSent);
        EXPECT_EQ(readsPerDevice[tally.deviceId], tally.readsSent);
        total += tally.messagesSent;
    }
    std::size_t openAlerts = 0;
    for (const StoredAlert& alert : household.alerts) {
        openAlerts += alert.state == AlertState::open ? 1 : 0;
    }
    EXPECT_EQ(openAlerts, 0u);
    std::cout << "[ FIGURES  ] " << agentCount << " agents, " << total << " messages in " << soakSeconds()
              << " s; " << household.alerts.size() << " alerts raised, " << openAlerts << " still open\n";
}

}  // namespace
}  // namespace kindora::devserver
