// Sequential ingest requests of 100 messages each through the real client and transport to a loopback
// server: how many requests per second one loop can send, and how many TCP connections that takes
// (one per calling thread when connections are kept alive and reused).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/JsonCoding.hpp"
#include "core/common/JsonDate.hpp"
#include "tests/backend/ScriptedServer.hpp"

namespace {

using kindora::testing::ScriptedReply;
using kindora::testing::ScriptedServer;

constexpr int batchSize = 100;
constexpr int sequentialRequests = 1000;

kindora::IngestRequest batchOf(int size) {
    kindora::IngestRequest batch;
    const kindora::Date sentAt = kindora::JsonDate::decode("2026-12-07T09:30:00Z");
    for (int i = 0; i < size; ++i) {
        kindora::IngestMessage message;
        message.guid = "B5A1C3E2-7F00-4A8B-9C1D-" + std::to_string(100000000000 + i);
        message.service =
            i % 3 == 0 ? kindora::MessageServiceKind::sms : kindora::MessageServiceKind::imessage;
        message.senderHandle = "+1555" + std::to_string(1000000 + i);
        message.text = "Reminder: the plumber comes between 9 and 11 tomorrow, message " + std::to_string(i);
        message.textDecodeFailed = false;
        message.isGroup = i % 5 == 0;
        message.sentAt = sentAt;
        batch.messages.push_back(message);
    }
    return batch;
}

std::string answerFor(const kindora::IngestRequest& batch) {
    kindora::IngestResponse response;
    for (const auto& message : batch.messages) {
        response.outcomes.push_back({message.guid, kindora::IngestOutcomeKind::noMatch});
    }
    response.accepted = static_cast<std::int64_t>(batch.messages.size());
    return kindora::JsonCoding::encode(kindora::toJson(response));
}

std::unique_ptr<ScriptedServer> server;

void SequentialIngest(benchmark::State& state) {
    static const kindora::IngestRequest batch = batchOf(batchSize);
    kindora::CurlTransport transport;
    kindora::BackendClient client(server->origin(), transport);
    std::int64_t accepted = 0;
    for (auto _ : state) {
        accepted += client.ingest("bench-token", batch).accepted;
    }
    if (accepted != static_cast<std::int64_t>(state.iterations()) * batchSize) {
        state.SkipWithError("the server did not accept every message");
    }
    state.counters["requests/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["messages/s"] =
        benchmark::Counter(static_cast<double>(accepted), benchmark::Counter::kIsRate);
}
BENCHMARK(SequentialIngest)->Iterations(sequentialRequests)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    server = std::make_unique<ScriptedServer>();
    server->setFallback(ScriptedReply::json(200, answerFor(batchOf(batchSize))));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const std::size_t requests = server->requests().size();
    const std::size_t connections = server->acceptedConnections();
    server.reset();
    std::printf("requests=%zu\n", requests);
    std::printf("connections=%zu\n", connections);
    return 0;
}
