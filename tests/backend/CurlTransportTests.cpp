#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "core/backend/BackendError.hpp"
#include "core/backend/CurlTransport.hpp"
#include "tests/backend/ScriptedServer.hpp"

namespace kindora {
namespace {

using testing::ScriptedReply;
using testing::ScriptedServer;

std::string certificate(const std::string& name) {
    return ScriptedServer::certificateDirectory() + "/" + name;
}

ScriptedServer::TlsFiles tlsFiles(const std::string& name) {
    return {certificate(name + ".pem"), certificate(name + "-key.pem")};
}

HTTPRequest get(const ScriptedServer& server, const std::string& path = "/probe") {
    return HTTPRequest{
        "GET", server.origin() + path, {{"Content-Type", "application/json"}}, std::nullopt, std::nullopt};
}

BackendError networkErrorOf(CurlTransport& transport, const HTTPRequest& request, StopToken stop = {}) {
    try {
        const HTTPResponse response = transport.send(request, stop);
        ADD_FAILURE() << "answered with status " << response.status;
    } catch (const BackendError& error) {
        EXPECT_EQ(error.kind(), BackendError::Kind::network) << error.what();
        return error;
    }
    return BackendError::network("");
}

CurlTransport::Options trusting(const std::string& caFile) {
    CurlTransport::Options options;
    options.caFile = caFile;
    return options;
}

// --- TLS ----------------------------------------------------------------------------------------

TEST(CurlTransportTls, AnExchangeWithACertificateOfTheTrustedAuthoritySucceeds) {
    ScriptedServer server(tlsFiles("loopback"));
    server.enqueue(ScriptedReply::json(200, R"({"ok":true})"));
    CurlTransport transport(trusting(certificate("test-ca.pem")));
    const HTTPResponse response = transport.send(get(server));
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, R"({"ok":true})");
}

struct UntrustedServer {
    const char* scenario;
    const char* serverCertificate;
    bool trustTestAuthority;
};

void PrintTo(const UntrustedServer& server, std::ostream* os) {
    *os << server.scenario;
}

class CurlTransportUntrusted : public ::testing::TestWithParam<UntrustedServer> {};

TEST_P(CurlTransportUntrusted, RefusesTheServer) {
    const UntrustedServer& untrusted = GetParam();
    ScriptedServer server(tlsFiles(untrusted.serverCertificate));
    CurlTransport transport(untrusted.trustTestAuthority ? trusting(certificate("test-ca.pem"))
                                                         : CurlTransport::Options{});
    networkErrorOf(transport, get(server));
    EXPECT_TRUE(server.requests().empty()) << "a request got through an untrusted connection";
}

INSTANTIATE_TEST_SUITE_P(Certificates, CurlTransportUntrusted,
                         ::testing::Values(UntrustedServer{"selfSigned", "self-signed", true},
                                           UntrustedServer{"otherHostName", "wrong-host", true},
                                           UntrustedServer{"authorityNotInTheSystemStore", "loopback",
                                                           false}),
                         [](const ::testing::TestParamInfo<UntrustedServer>& paramInfo) {
                             return std::string(paramInfo.param.scenario);
                         });

// --- Time-outs and stopping ---------------------------------------------------------------------

TEST(CurlTransportWaiting, AnAnswerThatNeverComesTimesOut) {
    ScriptedServer server;
    server.enqueue(ScriptedReply::neverAnswering());
    CurlTransport::Options options;
    options.timeoutSeconds = 0.3;
    CurlTransport transport(options);
    const BackendError error = networkErrorOf(transport, get(server));
    EXPECT_NE(error.message().value_or("").find("timed out"), std::string::npos) << error.what();
}

TEST(CurlTransportWaiting, AStopRequestEndsAnInFlightTransferAtOnce) {
    ScriptedServer server;
    server.enqueue(ScriptedReply::neverAnswering());
    CurlTransport transport;  // the production time-out: only the stop request can end this
    StopSource stop;
    auto transfer = std::async(std::launch::async,
                               [&] { return networkErrorOf(transport, get(server), stop.get_token()); });
    ASSERT_TRUE(server.waitForRequests(1));

    const auto requested = std::chrono::steady_clock::now();
    stop.request_stop();
    const BackendError error = transfer.get();
    const auto elapsed = std::chrono::steady_clock::now() - requested;

    EXPECT_LT(elapsed, std::chrono::milliseconds(100));
    EXPECT_EQ(error, BackendError::network("The request was cancelled"));
}

// --- Hostile answers ----------------------------------------------------------------------------

struct LargeAnswer {
    const char* scenario;
    std::uint64_t bytes;
    bool declareLength;
};

void PrintTo(const LargeAnswer& answer, std::ostream* os) {
    *os << answer.scenario;
}

class CurlTransportLargeAnswer : public ::testing::TestWithParam<LargeAnswer> {};

TEST_P(CurlTransportLargeAnswer, IsRefusedWithoutBeingBuffered) {
    ScriptedServer server;
    server.enqueue(ScriptedReply::streaming(GetParam().bytes, GetParam().declareLength));
    CurlTransport transport;
    const BackendError error = networkErrorOf(transport, get(server));
    EXPECT_EQ(error, BackendError::network("The response is larger than 16777216 bytes"));
}

INSTANTIATE_TEST_SUITE_P(Answers, CurlTransportLargeAnswer,
                         ::testing::Values(LargeAnswer{"oneGibibyteChunked", 1ULL << 30, false},
                                           LargeAnswer{"oneGibibyteDeclared", 1ULL << 30, true},
                                           LargeAnswer{"justOverTheCap", (16ULL << 20) + 1, false}),
                         [](const ::testing::TestParamInfo<LargeAnswer>& paramInfo) {
                             return std::string(paramInfo.param.scenario);
                         });

TEST(CurlTransportAnswers, AnAnswerOfExactlyTheCapIsKept) {
    ScriptedServer server;
    server.enqueue(ScriptedReply::streaming(1024, false));
    CurlTransport::Options options;
    options.maximumBodyBytes = 1024;
    CurlTransport transport(options);
    EXPECT_EQ(transport.send(get(server)).body.size(), 1024U);
}

TEST(CurlTransportAnswers, EveryStatusIsReturnedAsIs) {
    ScriptedServer server;
    CurlTransport transport;
    for (const int status : {200, 201, 204, 301, 401, 404, 429, 500, 503}) {
        server.enqueue(ScriptedReply::json(status, status == 204 ? "" : R"({"error":"x"})"));
        EXPECT_EQ(transport.send(get(server)).status, status);
    }
}

// --- Headers and connections --------------------------------------------------------------------

TEST(CurlTransportRequests, ALargeBodyIsSentWithoutExpectOrOtherAddedHeaders) {
    ScriptedServer server;
    CurlTransport transport;
    HTTPRequest request{"POST",
                        server.origin() + "/upload",
                        {{"Content-Type", "application/json"}},
                        std::string(2 * 1024 * 1024, 'x'),
                        std::nullopt};
    EXPECT_EQ(transport.send(request).status, 200);
    const auto received = server.lastRequest();
    EXPECT_EQ(received.body.size(), request.body->size());
    EXPECT_FALSE(received.hasHeader("expect"));
    EXPECT_FALSE(received.hasHeader("user-agent"));
    EXPECT_FALSE(received.hasHeader("accept"));
}

TEST(CurlTransportRequests, SequentialRequestsOfOneThreadReuseOneConnection) {
    ScriptedServer server;
    CurlTransport transport;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(transport.send(get(server)).status, 200);
    }
    EXPECT_EQ(server.acceptedConnections(), 1U);
}

TEST(CurlTransportRequests, SeveralThreadsMaySendAtOnce) {
    ScriptedServer server;
    CurlTransport transport;
    constexpr int threads = 4;
    constexpr int requestsPerThread = 25;
    std::vector<std::future<int>> successes;
    for (int t = 0; t < threads; ++t) {
        successes.push_back(std::async(std::launch::async, [&] {
            int ok = 0;
            for (int i = 0; i < requestsPerThread; ++i) {
                ok += transport.send(get(server)).status == 200 ? 1 : 0;
            }
            return ok;
        }));
    }
    for (auto& success : successes) {
        EXPECT_EQ(success.get(), requestsPerThread);
    }
    EXPECT_EQ(server.requests().size(), static_cast<std::size_t>(threads * requestsPerThread));
    EXPECT_LE(server.acceptedConnections(), static_cast<std::size_t>(threads));
}

}  // namespace
}  // namespace kindora
