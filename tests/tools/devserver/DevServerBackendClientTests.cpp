// The agent's real BackendClient and CurlTransport against the devserver over loopback HTTP: each
// answer the household gives and each injected fault arrives as the record or BackendError the
// agent's loops decide on.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <tuple>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tests/tools/devserver/DevServerTestSupport.hpp"
#include "tools/devserver/DevServer.hpp"

namespace kindora::devserver {
namespace {

using testsupport::batch;
using testsupport::message;
using testsupport::readReport;

// The error `call` throws; a test failure when it throws nothing or something other than a BackendError.
BackendError backendErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const BackendError& error) {
        return error;
    } catch (const std::exception& error) {
        ADD_FAILURE() << "expected a BackendError, got: " << error.what();
        return BackendError::network("unexpected exception");
    }
    ADD_FAILURE() << "expected a BackendError, the call succeeded";
    return BackendError::network("no error");
}

class DevServerBackendClientTest : public ::testing::Test {
protected:
    DevServerBackendClientTest()
        : server(DevServerOptions{}, time.clock(), time.sleeper(), testsupport::countingIdentities()) {
        server.start();
        client = std::make_unique<BackendClient>(server.origin(), transport);
    }

    // A paired and confirmed device's token.
    std::string activeToken() {
        const PairingCreateResponse created = client->createPairing("kitchen-mac", "1.0");
        server.household().confirmPairing(created.code);
        deviceId = created.deviceId;
        return created.deviceToken;
    }

    Uuid addAlert(bool requiresResolution = false, bool canResolve = true) {
        Interrupt interrupt;
        interrupt.id = Uuid::random();
        interrupt.title = "Front door open";
        interrupt.source = "test";
        interrupt.raisedAt = time.now();
        interrupt.requiresResolution = requiresResolution;
        interrupt.canResolve = canResolve;
        server.household().addInterrupt(interrupt);
        return interrupt.id;
    }

    testing::VirtualTime time;
    DevServer server;
    CurlTransport transport;
    std::unique_ptr<BackendClient> client;
    std::string deviceId;
};

TEST_F(DevServerBackendClientTest, APairingIsPendingUntilTheAdminConfirmsItThenActive) {
    const PairingCreateResponse created = client->createPairing("kitchen-mac", "1.0");
    EXPECT_EQ(client->pairingStatus(created.deviceToken).status, PairingStatusValue::pending);
    EXPECT_EQ(backendErrorOf([&] { client->interrupts(created.deviceToken); }), BackendError::pending());

    server.household().confirmPairing(created.code);
    EXPECT_EQ(client->pairingStatus(created.deviceToken).status, PairingStatusValue::active);
    EXPECT_TRUE(client->interrupts(created.deviceToken).interrupts.empty());
    const Device device = server.household().snapshot().devices.at(0);
    EXPECT_EQ(device.name, "kitchen-mac");
    EXPECT_EQ(device.agentVersion, "1.0");
    EXPECT_EQ(backendErrorOf([&] { client->pairingStatus("kdt_unknown"); }).kind(), BackendError::Kind::http);
}

// A batch, its duplicate, a read report and a heartbeat, each as the household records it and as the
// agent reads the answer.
TEST_F(DevServerBackendClientTest, WhatTheAgentSendsArrivesWholeAndTheAnswersReadBack) {
    const std::string token = activeToken();
    HouseholdRules rules;
    rules.keywords = {KeywordRule{"help", "Help", InterruptUrgency::critical, true, true, std::nullopt}};
    rules.errorGuids = {"g3"};
    server.household().setRules(rules);

    const IngestResponse response = client->ingest(
        token, batch({message("g1", "Please HELP"), message("g2", "dinner?"), message("g3"), message("g4")}));
    EXPECT_EQ(response.outcomes, (std::vector<IngestOutcome>{{"g1", IngestOutcomeKind::raised},
                                                             {"g2", IngestOutcomeKind::noMatch},
                                                             {"g3", IngestOutcomeKind::error}}));
    EXPECT_EQ(response.accepted, 2);
    const std::vector<StoredMessage> stored = server.household().snapshot().messages;
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].message, message("g1", "Please HELP"));
    EXPECT_EQ(stored[0].deviceId, deviceId);
    EXPECT_EQ(client->interrupts(token).interrupts.size(), 1u);

    EXPECT_EQ(backendErrorOf([&] { client->ingest(token, batch({message("g1")})); }),
              BackendError::duplicate("duplicate message guid g1"));
    EXPECT_EQ(server.household().snapshot().messages.size(), 2u);

    const IngestResponse reads = client->ingest(token, readReport({"g1", "g2", "g2"}));
    EXPECT_EQ(reads.resolved, 1);
    EXPECT_EQ(reads.alreadyRead, 1);
    EXPECT_TRUE(client->interrupts(token).interrupts.empty());

    server.household().queueCommand(deviceId, "collect-logs");
    const HeartbeatResponse heartbeat = client->heartbeat(token, 1234, std::string("1.1"));
    EXPECT_EQ(heartbeat.status, "ok");
    EXPECT_EQ(heartbeat.commands, std::vector<AgentCommand>{AgentCommand::unknown("collect-logs")});
    EXPECT_EQ(server.household().snapshot().devices.at(0).cursor, "1234");
}

TEST_F(DevServerBackendClientTest, AlertActionsSucceedOrAreRefusedTheWayTheAgentUnderstands) {
    const std::string token = activeToken();
    const Uuid plain = addAlert();
    const Uuid mustResolve = addAlert(true);
    const Uuid notMine = addAlert(false, false);

    EXPECT_EQ(client->ackAlert(token, plain).status, "acknowledged");
    EXPECT_EQ(backendErrorOf([&] { client->ackAlert(token, mustResolve); }).kind(),
              BackendError::Kind::requiresResolution);
    EXPECT_EQ(client->resolveAlert(token, mustResolve).status, "resolved");
    EXPECT_EQ(backendErrorOf([&] { client->resolveAlert(token, notMine); }),
              BackendError::forbidden(std::string("You don't have permission to resolve this alert.")));
    EXPECT_EQ(backendErrorOf([&] { client->ackAlert(token, Uuid::random()); }), BackendError::notFound());

    const InterruptsResponse open = client->interrupts(token);
    ASSERT_EQ(open.interrupts.size(), 1u);
    EXPECT_EQ(open.interrupts[0].id, notMine);
    EXPECT_EQ(client->ackAlert(token, notMine).status, "acknowledged")
        << "what may not be resolved may be acknowledged";
}

TEST_F(DevServerBackendClientTest, ARevokedDeviceHearsRevokedOnTheNextCallOfEveryEndpoint) {
    const std::string token = activeToken();
    const Uuid alert = addAlert();
    server.household().revokeDevice(deviceId);

    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"heartbeat", [&] { client->heartbeat(token, 1, std::nullopt); }},
        {"ingest", [&] { client->ingest(token, batch({message("late")})); }},
        {"interrupts", [&] { client->interrupts(token); }},
        {"fetchMeetings", [&] { client->fetchMeetings(token); }},
        {"ackAlert", [&] { client->ackAlert(token, alert); }},
        {"resolveAlert", [&] { client->resolveAlert(token, alert); }},
    };
    for (const auto& [name, call] : calls) {
        EXPECT_EQ(backendErrorOf(call), BackendError::revoked()) << name;
    }
    EXPECT_EQ(client->pairingStatus(token).status, PairingStatusValue::revoked);
    EXPECT_TRUE(server.household().snapshot().messages.empty());
}

// Every endpoint's name reaches its own route: a fault injected for it fails that call once only.
TEST_F(DevServerBackendClientTest, AnInjectedFaultHitsItsEndpointOnceAndReachesTheClientAsItsError) {
    const std::string token = activeToken();
    const Uuid acknowledged = addAlert();
    const Uuid resolved = addAlert();
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"createPairing", [&] { client->createPairing("mac", std::nullopt); }},
        {"pairingStatus", [&] { client->pairingStatus(token); }},
        {"heartbeat", [&] { client->heartbeat(token, std::nullopt, std::nullopt); }},
        {"ingest", [&] { client->ingest(token, readReport({"x"})); }},
        {"interrupts", [&] { client->interrupts(token); }},
        {"fetchMeetings", [&] { client->fetchMeetings(token); }},
        {"ackAlert", [&] { client->ackAlert(token, acknowledged); }},
        {"resolveAlert", [&] { client->resolveAlert(token, resolved); }},
    };
    for (const auto& [endpoint, call] : calls) {
        server.faults().add(FaultRule{endpoint, Fault{FaultKind::status, 503, R"({"error":"Busy"})", 0}, 1});
        EXPECT_EQ(backendErrorOf(call), BackendError::http(503, "Busy")) << endpoint;
        EXPECT_NO_THROW(call()) << endpoint << ": the fault is used up";
    }

    const std::vector<std::tuple<const char*, Fault, BackendError::Kind>> kinds = {
        {"heartbeat", Fault{FaultKind::status, 401, R"({"status":"revoked"})", 0},
         BackendError::Kind::revoked},
        {"createPairing", Fault{FaultKind::malformed, 0, "", 0}, BackendError::Kind::decoding},
        {"fetchMeetings", Fault{FaultKind::drop, 0, "", 0}, BackendError::Kind::network},
    };
    for (const auto& [endpoint, fault, kind] : kinds) {
        server.faults().add(FaultRule{endpoint, fault, 1});
        const std::string name = endpoint;
        const auto call =
            std::find_if(calls.begin(), calls.end(), [&](const auto& c) { return name == c.first; });
        EXPECT_EQ(backendErrorOf(call->second).kind(), kind) << endpoint;
    }
}

TEST_F(DevServerBackendClientTest, AnUnansweredIngestKeepsTheBatchAndItsResendIsADuplicate) {
    const std::string token = activeToken();
    server.faults().add(FaultRule{"ingest", Fault{FaultKind::unanswered, 0, "", 0}, 1});
    EXPECT_EQ(backendErrorOf([&] {
                  client->ingest(token, batch({message("g1"), message("g2")}));
              }).kind(),
              BackendError::Kind::network);
    EXPECT_EQ(server.household().snapshot().messages.size(), 2u) << "the batch was kept";
    EXPECT_EQ(backendErrorOf([&] {
                  client->ingest(token, batch({message("g2"), message("g3")}));
              }),
              BackendError::duplicate("duplicate message guid g2"));
}

TEST_F(DevServerBackendClientTest, ADelayedAnswerArrivesAfterTheDelayOrIsAbandonedWhenTheCallerStops) {
    const std::string token = activeToken();
    server.faults().add(FaultRule{"interrupts", Fault{FaultKind::delay, 0, "", 45}, 2});

    auto delayed = std::async(std::launch::async, [&] { return client->interrupts(token); });
    ASSERT_TRUE(time.waitForSleepers(1));
    time.advance(45);
    EXPECT_TRUE(delayed.get().interrupts.empty());

    StopSource stop;
    auto abandoned = std::async(std::launch::async, [&] {
        return backendErrorOf([&] { client->interrupts(token, stop.get_token()); });
    });
    ASSERT_TRUE(time.waitForSleepers(1));
    stop.request_stop();
    EXPECT_EQ(abandoned.get().kind(), BackendError::Kind::network);
    time.advance(45);
}

}  // namespace
}  // namespace kindora::devserver
