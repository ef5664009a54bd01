#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/JsonDate.hpp"
#include "tests/backend/ScriptedServer.hpp"

namespace kindora {
namespace {

using testing::RecordedRequest;
using testing::ScriptedReply;
using testing::ScriptedServer;

const std::string token = "tok_Secret-123 with space";
const Uuid alertId = Uuid::fromString("0E1D2C3B-4A59-4867-9F8E-7D6C5B4A3921");

const char* const alertAnswer = R"({"id":"0e1d2c3b-4a59-4867-9f8e-7d6c5b4a3921","status":"acknowledged"})";
const char* const interruptsAnswer = R"({"interrupts":[]})";

class BackendClientTest : public ::testing::Test {
protected:
    // The server outlives the transport, so the transport's kept-alive connections close first.
    ScriptedServer server;
    CurlTransport transport{CurlTransport::Options{5.0, std::nullopt, 16 * 1024 * 1024}};
    BackendClient client{server.origin(), transport};
};

// --- What is sent -------------------------------------------------------------------------------

struct SentRequest {
    const char* operation;
    std::function<void(BackendClient&)> call;
    const char* answer;
    const char* method;
    std::string path;
    bool authorized;
    std::string body;  // empty: no body
};

void PrintTo(const SentRequest& request, std::ostream* os) {
    *os << request.operation;
}

class RequestShape : public BackendClientTest, public ::testing::WithParamInterface<SentRequest> {};

TEST_P(RequestShape, CarriesExactlyTheChosenMethodPathHeadersAndBody) {
    const SentRequest& expected = GetParam();
    server.enqueue(ScriptedReply::json(200, expected.answer));
    expected.call(client);

    const RecordedRequest request = server.lastRequest();
    EXPECT_EQ(request.method, expected.method);
    EXPECT_EQ(request.path, expected.path);
    EXPECT_EQ(request.header("content-type"), "application/json");
    EXPECT_EQ(request.body, expected.body);
    std::set<std::string> names;
    for (const auto& [name, value] : request.headers) {
        names.insert(name);
    }
    std::set<std::string> expectedNames{"host", "content-type"};
    if (expected.authorized) {
        expectedNames.insert("authorization");
        EXPECT_EQ(request.header("authorization"), "Bearer " + token);
    }
    if (std::string(expected.method) == "POST") {
        expectedNames.insert("content-length");
    }
    // No user agent, no Accept, no Expect, no device or version header: the token alone identifies us.
    EXPECT_EQ(names, expectedNames);
}

IngestRequest sampleBatch() {
    IngestMessage message;
    message.guid = "G-1";
    message.senderHandle = "+15550001";
    message.textDecodeFailed = true;
    message.sentAt = JsonDate::decode("2026-12-07T09:30:00Z");
    IngestRequest batch;
    batch.messages = {message};
    return batch;
}

INSTANTIATE_TEST_SUITE_P(
    Endpoints, RequestShape,
    ::testing::Values(
        SentRequest{"createPairing", [](BackendClient& c) { c.createPairing("studio-mac", std::nullopt); },
                    R"({"deviceId":"d","deviceToken":"t","code":"c","expiresAt":"2026-12-07T10:00:00Z",)"
                    R"("pollIntervalSeconds":2})",
                    "POST", "/api/agent/pair", false, R"({"deviceName":"studio-mac","platform":"macos"})"},
        SentRequest{"pairingStatus", [](BackendClient& c) { c.pairingStatus(token); },
                    R"({"status":"pending"})", "GET", "/api/agent/pair/status", true, ""},
        SentRequest{"heartbeat", [](BackendClient& c) { c.heartbeat(token, 1234, "1.2.0"); },
                    R"({"status":"ok","commands":[]})", "POST", "/api/agent/heartbeat", true,
                    R"({"cursor":"1234","agentVersion":"1.2.0"})"},
        SentRequest{"emptyHeartbeat",
                    [](BackendClient& c) { c.heartbeat(token, std::nullopt, std::nullopt); },
                    R"({"status":"ok","commands":[]})", "POST", "/api/agent/heartbeat", true, "{}"},
        SentRequest{
            "ingest", [](BackendClient& c) { c.ingest(token, sampleBatch()); },
            R"({"outcomes":[],"accepted":1})", "POST", "/api/ingest/messages", true,
            R"({"messages":[{"guid":"G-1","service":"imessage","senderHandle":"+15550001",)"
            R"("textDecodeFailed":true,"isGroup":false,"sentAt":"2026-12-07T09:30:00.000Z","isRead":false}]})"},
        SentRequest{"interrupts", [](BackendClient& c) { c.interrupts(token); }, interruptsAnswer, "GET",
                    "/api/agent/interrupts", true, ""},
        SentRequest{"meetings", [](BackendClient& c) { c.fetchMeetings(token); }, R"({"meetings":[]})", "GET",
                    "/api/agent/meetings", true, ""},
        SentRequest{"ackAlert", [](BackendClient& c) { c.ackAlert(token, alertId); }, alertAnswer, "POST",
                    "/api/agent/alerts/0e1d2c3b-4a59-4867-9f8e-7d6c5b4a3921/ack", true, ""},
        SentRequest{"resolveAlert", [](BackendClient& c) { c.resolveAlert(token, alertId); }, alertAnswer,
                    "POST", "/api/agent/alerts/0e1d2c3b-4a59-4867-9f8e-7d6c5b4a3921/resolve", true, ""}),
    [](const ::testing::TestParamInfo<SentRequest>& paramInfo) {
        return std::string(paramInfo.param.operation);
    });

TEST_F(BackendClientTest, ABasePathIsReplacedByTheEndpointPath) {
    BackendClient withPath(server.origin() + "/some/base/", transport);
    server.enqueue(ScriptedReply::json(200, R"({"meetings":[]})"));
    withPath.fetchMeetings(token);
    EXPECT_EQ(server.lastRequest().path, "/api/agent/meetings");
}

// --- What comes back ----------------------------------------------------------------------------

enum class Operation {
    createPairing,
    pairingStatus,
    heartbeat,
    ingest,
    interrupts,
    meetings,
    ackAlert,
    resolveAlert
};

void invoke(BackendClient& client, Operation operation) {
    switch (operation) {
        case Operation::createPairing:
            client.createPairing("mac", "1.0");
            break;
        case Operation::pairingStatus:
            client.pairingStatus(token);
            break;
        case Operation::heartbeat:
            client.heartbeat(token, 1, std::nullopt);
            break;
        case Operation::ingest:
            client.ingest(token, IngestRequest{});
            break;
        case Operation::interrupts:
            client.interrupts(token);
            break;
        case Operation::meetings:
            client.fetchMeetings(token);
            break;
        case Operation::ackAlert:
            client.ackAlert(token, alertId);
            break;
        case Operation::resolveAlert:
            client.resolveAlert(token, alertId);
            break;
    }
}

struct FailedAnswer {
    const char* scenario;
    Operation operation;
    int status;
    std::string body;
    BackendError expected;
};

void PrintTo(const FailedAnswer& answer, std::ostream* os) {
    *os << answer.scenario;
}

class FailureRules : public BackendClientTest, public ::testing::WithParamInterface<FailedAnswer> {};

TEST_P(FailureRules, TurnTheAnswerIntoTheMatchingError) {
    const FailedAnswer& answer = GetParam();
    server.enqueue(ScriptedReply::json(answer.status, answer.body));
    try {
        invoke(client, answer.operation);
        FAIL() << "no error for " << answer.scenario;
    } catch (const BackendError& error) {
        EXPECT_EQ(error, answer.expected) << "got " << error.what();
        EXPECT_EQ(std::string(error.what()).find(token), std::string::npos);
    }
    EXPECT_EQ(server.requests().size(), 1U) << "the client must leave retrying to its caller";
}

const char* const revokedBody = R"({"status":"revoked"})";

INSTANTIATE_TEST_SUITE_P(
    Endpoints, FailureRules,
    ::testing::Values(
        // Only 200 is a success.
        FailedAnswer{"created", Operation::ingest, 201, R"({"outcomes":[],"accepted":0})",
                     BackendError::http(201)},
        FailedAnswer{"noContent", Operation::meetings, 204, "", BackendError::http(204)},
        // Authenticated endpoints.
        FailedAnswer{"revoked", Operation::heartbeat, 401, revokedBody, BackendError::revoked()},
        FailedAnswer{"otherStatusWord", Operation::heartbeat, 401, R"({"status":"expired"})",
                     BackendError::http(401)},
        FailedAnswer{"revokedInOtherCase", Operation::heartbeat, 401, R"({"status":"Revoked"})",
                     BackendError::http(401)},
        FailedAnswer{"unauthorizedNotJson", Operation::heartbeat, 401, "Unauthorized",
                     BackendError::http(401)},
        FailedAnswer{"unauthorizedWithError", Operation::heartbeat, 401, R"({"error":"Bad token"})",
                     BackendError::http(401, "Bad token")},
        FailedAnswer{"pendingWhateverTheBody", Operation::interrupts, 403,
                     R"({"code":"forbidden","error":"x"})", BackendError::pending()},
        FailedAnswer{"notFoundIsHttp", Operation::meetings, 404, "", BackendError::http(404)},
        FailedAnswer{"tooManyRequests", Operation::ingest, 429, R"({"error":"Slow down"})",
                     BackendError::http(429, "Slow down")},
        FailedAnswer{"serverError", Operation::interrupts, 503, "<html>busy</html>", BackendError::http(503)},
        // Ingest tells a batch holding a message the backend already has from any other refusal.
        FailedAnswer{"ingestDuplicate", Operation::ingest, 400, R"({"error":"Duplicate message GUID g1"})",
                     BackendError::duplicate("Duplicate message GUID g1")},
        FailedAnswer{"ingestRefused", Operation::ingest, 400, R"({"error":"sentAt out of range"})",
                     BackendError::http(400, "sentAt out of range")},
        FailedAnswer{"ingestProxyPage", Operation::ingest, 400, "<html>duplicate request</html>",
                     BackendError::http(400)},
        FailedAnswer{"heartbeatDuplicateIsHttp", Operation::heartbeat, 400, R"({"error":"duplicate"})",
                     BackendError::http(400, "duplicate")},
        FailedAnswer{"errorNotAString", Operation::ingest, 500, R"({"error":42})", BackendError::http(500)},
        // Pairing endpoints know no special status.
        FailedAnswer{"pairingUnauthorized", Operation::pairingStatus, 401, revokedBody,
                     BackendError::http(401)},
        FailedAnswer{"pairingForbidden", Operation::pairingStatus, 403, "", BackendError::http(403)},
        FailedAnswer{"pairingNotFound", Operation::pairingStatus, 404, R"({"error":"Unknown code"})",
                     BackendError::http(404, "Unknown code")},
        // Alert actions.
        FailedAnswer{"conflictRequiresResolution", Operation::resolveAlert, 409,
                     R"({"code":"requires-resolution"})", BackendError::requiresResolution()},
        FailedAnswer{"badRequestRequiresResolution", Operation::ackAlert, 400,
                     R"({"code":"requires-resolution","error":"Resolve it"})",
                     BackendError::requiresResolution("Resolve it")},
        FailedAnswer{"conflictOtherCode", Operation::resolveAlert, 409, R"({"code":"stale","error":"Old"})",
                     BackendError::http(409, "Old")},
        FailedAnswer{"badRequestNoCode", Operation::ackAlert, 400, "nonsense", BackendError::http(400)},
        FailedAnswer{"forbiddenWithText", Operation::ackAlert, 403,
                     R"({"code":"forbidden","error":"Ask a parent"})",
                     BackendError::forbidden("Ask a parent")},
        FailedAnswer{"requiresManage", Operation::resolveAlert, 403, R"({"code":"requires-manage"})",
                     BackendError::forbidden()},
        FailedAnswer{"forbiddenWithoutCode", Operation::ackAlert, 403, R"({"error":"No"})",
                     BackendError::pending()},
        FailedAnswer{"alertNotFound", Operation::resolveAlert, 404, revokedBody, BackendError::notFound()},
        FailedAnswer{"alertRevoked", Operation::ackAlert, 401, revokedBody, BackendError::revoked()},
        // A 200 that is not the record.
        FailedAnswer{"undecodableSuccess", Operation::ingest, 200, R"({"outcomes":[]})",
                     BackendError::decoding("Missing value for key \"accepted\" of IngestResponse")},
        FailedAnswer{"dateWithoutOffset", Operation::createPairing, 200,
                     R"({"deviceId":"d","deviceToken":"t","code":"c","expiresAt":"2026-12-07 10:00",)"
                     R"("pollIntervalSeconds":2})",
                     BackendError::decoding(
                         "Expected an ISO 8601 date with a timezone offset, got \"2026-12-07 10:00\"")},
        FailedAnswer{"htmlSuccess", Operation::interrupts, 200, "<html></html>",
                     BackendError::decoding("Malformed JSON at byte 1")}),
    [](const ::testing::TestParamInfo<FailedAnswer>& paramInfo) {
        return std::string(paramInfo.param.scenario);
    });

// --- Failing to get an answer -------------------------------------------------------------------

TEST(BackendClientConnection, ARefusedConnectionIsANetworkErrorWithLibcurlsDescription) {
    int port = 0;
    {
        ScriptedServer closed;  // take a free port, then close it again
        port = closed.port();
    }
    CurlTransport transport;
    BackendClient client("http://127.0.0.1:" + std::to_string(port), transport);
    try {
        client.interrupts(token);
        FAIL() << "no error";
    } catch (const BackendError& error) {
        EXPECT_EQ(error.kind(), BackendError::Kind::network);
        EXPECT_NE(error.message().value_or("").find("onnect"), std::string::npos) << error.what();
    }
}

TEST(BackendClientConnection, ABaseThatIsNotAUrlFailsBeforeAnythingIsSent) {
    CurlTransport transport;
    for (const std::string base : {"not a url", "ftp://example.org", "https://", "https://evil@host"}) {
        BackendClient client(base, transport);
        try {
            client.fetchMeetings(token);
            FAIL() << base;
        } catch (const BackendError& error) {
            EXPECT_EQ(error,
                      BackendError::network("Invalid URL for path /api/agent/meetings against base " + base));
        }
    }
}

TEST_F(BackendClientTest, AnEndlessAnswerIsANetworkErrorNotAnOutOfMemory) {
    server.enqueue(ScriptedReply::streaming(1ULL << 30, false));
    try {
        client.interrupts(token);
        FAIL() << "no error";
    } catch (const BackendError& error) {
        EXPECT_EQ(error, BackendError::network("The response is larger than 16777216 bytes"));
    }
}

TEST_F(BackendClientTest, ATokenThatWouldBreakTheHeaderIsNeverSent) {
    for (const std::string& hostile :
         std::vector<std::string>{"abc\r\nX-Injected: 1", std::string("abc\0def", 7), "abc\n"}) {
        EXPECT_THROW(client.interrupts(hostile), BackendError);
    }
    EXPECT_TRUE(server.requests().empty());
    try {
        client.fetchMeetings("secret\r\nX: y");
    } catch (const BackendError& error) {
        EXPECT_EQ(error,
                  BackendError::network("The device token contains control characters and cannot be sent"));
    }
}

// A transport that fails the way a platform library might: with an error that is not a BackendError.
class FailingTransport final : public HTTPTransport {
public:
    HTTPResponse send(const HTTPRequest&, StopToken) override { throw std::runtime_error("socket exploded"); }
};

TEST(BackendClientConnection, AnyOtherTransportFailureBecomesANetworkError) {
    FailingTransport transport;
    BackendClient client("https://api.kindora.example", transport);
    EXPECT_THROW(
        {
            try {
                client.interrupts(token);
            } catch (const BackendError& error) {
                EXPECT_EQ(error, BackendError::network("socket exploded"));
                throw;
            }
        },
        BackendError);
}

}  // namespace
}  // namespace kindora
