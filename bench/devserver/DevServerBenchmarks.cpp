// How fast the devserver answers the agent over loopback HTTP, with the agent's own client: a full
// ingest batch, a read report and an interrupts poll. Figures, not a pass/fail test.
#include <benchmark/benchmark.h>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/Log.hpp"
#include "tools/devserver/DevServer.hpp"

namespace {

using namespace kindora;
using namespace kindora::devserver;

class BenchHousehold {
public:
    BenchHousehold() : server(DevServerOptions{}), client(startedOrigin(), transport) {
        const PairingCreateResponse created = client.createPairing("bench-mac", std::nullopt);
        server.household().confirmPairing(created.code);
        token = created.deviceToken;
        HouseholdRules rules;
        rules.keywords = {KeywordRule{"alarm", "Alarm", InterruptUrgency::urgent, false, true, std::nullopt}};
        server.household().setRules(rules);
    }

    IngestRequest batch(std::size_t size) {
        IngestRequest request;
        for (std::size_t i = 0; i < size; ++i) {
            IngestMessage message;
            message.guid = "bench-" + std::to_string(next++);
            message.senderHandle = "+15550100";
            message.text = i % 10 == 0 ? "the alarm went off" : "see you at dinner, bring the salad please";
            message.textDecodeFailed = false;
            message.sentAt = std::chrono::system_clock::now();
            request.messages.push_back(std::move(message));
        }
        return request;
    }

    DevServer server;
    CurlTransport transport;
    BackendClient client;
    std::string token;
    std::size_t next = 0;

private:
    std::string startedOrigin() {
        Log::setStandardErrorLevel(LogLevel::error);
        server.start();
        return server.origin();
    }
};

void BM_IngestBatchOf100(benchmark::State& state) {
    BenchHousehold household;
    for (auto _ : state) {
        state.PauseTiming();
        const IngestRequest request = household.batch(100);
        state.ResumeTiming();
        benchmark::DoNotOptimize(household.client.ingest(household.token, request));
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_IngestBatchOf100)->Unit(benchmark::kMillisecond);

void BM_ReadReportOf10(benchmark::State& state) {
    BenchHousehold household;
    household.client.ingest(household.token, household.batch(10));
    IngestRequest report;
    report.reads.emplace();
    for (std::size_t i = 0; i < 10; ++i) {
        report.reads->push_back(IngestRead{"bench-" + std::to_string(i)});
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(household.client.ingest(household.token, report));
    }
}
BENCHMARK(BM_ReadReportOf10)->Unit(benchmark::kMicrosecond);

void BM_InterruptsPoll(benchmark::State& state) {
    BenchHousehold household;
    household.client.ingest(household.token, household.batch(100));
    for (auto _ : state) {
        benchmark::DoNotOptimize(household.client.interrupts(household.token));
    }
}
BENCHMARK(BM_InterruptsPoll)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
