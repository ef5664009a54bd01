// What one idle sync tick costs (nothing new after the watermark, the read cursor at the end, no
// watched messages) on Messages databases of 100,000 and 1,000,000 messages. The engine runs its
// real tick over the real reader; the backend is a counter that must not be called. Prints, per size,
// the median over several rounds of the mean tick in real and CPU time, the read scan alone with each
// of its two statements, and on the last line growth=G: the 1M tick over the 100k tick, in CPU time
// (which other load on the machine disturbs least).
//
// The databases are made by the chatdb generator on the first run and kept in the build directory's
// bench-cache (KINDORA_BENCH_CACHE names another directory).
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/common/Log.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/messagesdb/AppleTime.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/SQLiteConnection.hpp"
#include "core/sync/InMemoryWatermarkStore.hpp"
#include "core/sync/SyncEngine.hpp"
#include "tools/chatdb/ChatDBGenerator.hpp"

namespace {

using namespace kindora;
namespace fs = std::filesystem;

constexpr std::uint64_t seed = 1;
constexpr int rounds = 9;
constexpr int ticksPerRound = 200;

std::string databasePath(std::int64_t messages) {
    const char* chosen = std::getenv("KINDORA_BENCH_CACHE");
    const fs::path directory =
        chosen != nullptr ? fs::path(chosen) : fs::path(KINDORA_BINARY_DIR) / "bench-cache";
    return (directory / ("chatdb-" + std::to_string(messages) + "-seed1.db")).string();
}

void ensureDatabase(const std::string& path, std::int64_t messages) {
    if (fs::exists(path)) {
        return;
    }
    fs::create_directories(fs::path(path).parent_path());
    const std::string partial = path + ".partial";
    fs::remove(partial);
    std::fprintf(stderr, "Creating %s (%lld messages, once)...\n", path.c_str(),
                 static_cast<long long>(messages));
    ChatDBGenerator::create(partial, messages, seed);
    fs::rename(partial, path);  // only when complete, so an interrupted run leaves no short database
}

double threadCPUSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double realSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The backend, which an idle tick must never call.
class CountingIngestClient final : public IngestBackendClientProtocol {
public:
    IngestResponse ingest(const std::string&, const IngestRequest&, StopToken) override {
        ++requests;
        return {};
    }
    std::atomic<int> requests{0};
};

struct Figures {
    double realMs = 0;
    double cpuMs = 0;
};

// Runs `work` for `ticksPerRound` times per round and gives the medians of the rounds' means.
template <typename Work>
Figures measure(Work work) {
    std::vector<double> real;
    std::vector<double> cpu;
    for (int round = 0; round < rounds; ++round) {
        const double realStart = realSeconds();
        const double cpuStart = threadCPUSeconds();
        for (int index = 0; index < ticksPerRound; ++index) {
            work();
        }
        cpu.push_back((threadCPUSeconds() - cpuStart) * 1000.0 / ticksPerRound);
        real.push_back((realSeconds() - realStart) * 1000.0 / ticksPerRound);
    }
    return {median(real), median(cpu)};
}

struct SizeFigures {
    Figures tick;
    Figures scanAsWritten;
    Figures scanByDate;
};

SizeFigures measureSize(std::int64_t messages) {
    const std::string path = databasePath(messages);
    ensureDatabase(path, messages);
    // The reader's own time moves 5 seconds before every tick, as between the loop's ticks, so that
    // each tick opens its connection afresh as it does in the agent.
    Date readerNow = ChatDBGenerator::createdUntil();
    const ChatDBReader reader(path, [&readerNow] { return readerNow; });
    const auto nextTick = [&] { readerNow += std::chrono::seconds(5); };

    // The engine's clock stands a minute after the newest message, so its one-day read window holds
    // the database's last day of messages.
    const Date now = ChatDBGenerator::createdUntil() + std::chrono::minutes(1);
    const std::int64_t minDate = AppleTime::nanoseconds(now - std::chrono::seconds(86400));

    // Idle: the watermark at the newest row, the read cursor where paging through the window ends.
    SyncState state;
    state.lastRowID = reader.maxRowID();
    state.lastSyncAt = now;
    for (;;) {
        const RecentlyReadFetchResult page = reader.fetchRecentlyRead(
            state.lastReadDateRead, state.lastReadRowID, state.lastRowID, minDate, 100);
        state.lastReadDateRead = page.highestScannedDateRead;
        state.lastReadRowID = page.highestScannedRowID;
        if (page.rows.empty()) {
            break;
        }
    }

    CountingIngestClient backend;
    InMemoryCredentialStore credentials;
    credentials.saveDeviceToken("bench-device-token");
    InMemoryWatermarkStore store(state);
    SyncEngine engine(reader, backend, credentials, store, nullptr,
                      Sleeper([](double, StopToken) { return true; }), SyncClock([now] { return now; }),
                      "bench");
    for (int index = 0; index < 20; ++index) {
        nextTick();
        if (engine.tick() != SyncEngine::interval) {
            std::fprintf(stderr, "the idle tick failed on %s\n", path.c_str());
            std::exit(1);
        }
    }

    SizeFigures figures;
    figures.tick = measure([&] {
        nextTick();
        engine.tick();
    });
    if (backend.requests != 0 || store.state() != state) {
        std::fprintf(stderr, "the tick was not idle: %d requests\n", backend.requests.load());
        std::exit(1);
    }
    const auto scan = [&](const std::string& sql) {
        const SQLiteConnection connection = SQLiteConnection::open(path);
        connection.query(sql,
                         {state.lastRowID, minDate, state.lastReadDateRead, state.lastReadDateRead,
                          state.lastReadRowID, std::int64_t{100}},
                         [](const SQLiteRow&) {});
    };
    figures.scanByDate = measure([&] { scan(ChatDBReader::recentlyReadByDateSQL); });
    // The statement as written is slow enough on the large database that a few calls tell enough.
    std::vector<double> real;
    std::vector<double> cpu;
    for (int index = 0; index < 9; ++index) {
        const double realStart = realSeconds();
        const double cpuStart = threadCPUSeconds();
        scan(ChatDBReader::recentlyReadSQL);
        cpu.push_back((threadCPUSeconds() - cpuStart) * 1000.0);
        real.push_back((realSeconds() - realStart) * 1000.0);
    }
    figures.scanAsWritten = {median(real), median(cpu)};
    return figures;
}

}  // namespace

int main() {
    Log::setStandardErrorLevel(LogLevel::error);
    const std::vector<std::int64_t> sizes{100'000, 1'000'000};
    std::vector<SizeFigures> results;
    for (const std::int64_t messages : sizes) {
        results.push_back(measureSize(messages));
    }
    std::printf("%-10s %-44s %10s %10s\n", "messages", "what (median of rounds)", "real ms", "CPU ms");
    for (std::size_t index = 0; index < sizes.size(); ++index) {
        const auto messages = static_cast<long long>(sizes[index]);
        const SizeFigures& figures = results[index];
        std::printf("%-10lld %-44s %10.3f %10.3f\n", messages, "idle tick (SyncEngine::tick, 0 requests)",
                    figures.tick.realMs, figures.tick.cpuMs);
        std::printf("%-10lld %-44s %10.3f %10.3f\n", messages, "  read scan through message_idx_date",
                    figures.scanByDate.realMs, figures.scanByDate.cpuMs);
        std::printf("%-10lld %-44s %10.3f %10.3f\n", messages, "  read scan as written (for comparison)",
                    figures.scanAsWritten.realMs, figures.scanAsWritten.cpuMs);
    }
    std::printf("growth=%.2f\n", results[1].tick.cpuMs / results[0].tick.cpuMs);
    return 0;
}
