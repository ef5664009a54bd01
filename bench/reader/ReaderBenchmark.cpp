// What each ChatDBReader operation costs on an idle 1,000,000-message Messages database (nothing after
// the watermark, the read cursor at the end), beside the bare cost of opening and closing the file.
// The database is made by the chatdb generator on the first run and kept (KINDORA_BENCH_CHATDB names
// another file).
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/messagesdb/AppleTime.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/SQLiteConnection.hpp"
#include "tools/chatdb/ChatDBGenerator.hpp"

namespace {

using namespace kindora;

constexpr std::int64_t messageCount = 1'000'000;
constexpr std::uint64_t seed = 1;

// Where the reader stands when nothing has happened since its last tick.
struct IdleCursor {
    std::string path;
    std::int64_t maxRowID = 0;
    std::int64_t lastDateRead = 0;
    std::int64_t lastReadRowID = 0;
    std::int64_t minDate = 0;
    std::vector<std::string> watchedGUIDs;
};

IdleCursor cursor;

std::string databasePath() {
    if (const char* chosen = std::getenv("KINDORA_BENCH_CHATDB")) {
        return chosen;
    }
    return (std::filesystem::path(KINDORA_BINARY_DIR) / "bench-cache" / "chatdb-1000000-seed1.db").string();
}

void ensureDatabase(const std::string& path) {
    if (std::filesystem::exists(path)) {
        return;
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string partial = path + ".partial";
    std::filesystem::remove(partial);
    std::fprintf(stderr, "Creating %s (%lld messages, once)...\n", path.c_str(),
                 static_cast<long long>(messageCount));
    const auto start = std::chrono::steady_clock::now();
    ChatDBGenerator::create(partial, messageCount, seed);
    // Renamed only when complete, so an interrupted run never leaves a short database behind.
    std::filesystem::rename(partial, path);
    std::fprintf(stderr, "Created in %.1f s\n",
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
}

IdleCursor idleCursor(const std::string& path) {
    IdleCursor idle;
    idle.path = path;
    const SQLiteConnection connection = SQLiteConnection::open(path);
    idle.maxRowID = connection.queryOptionalInt64("SELECT MAX(ROWID) FROM message");
    connection.query(
        "SELECT date_read, ROWID FROM message WHERE is_from_me = 0 AND is_read = 1 ORDER BY date_read DESC, "
        "ROWID "
        "DESC LIMIT 1",
        {}, [&](const SQLiteRow& row) {
            idle.lastDateRead = row.int64(0);
            idle.lastReadRowID = row.int64(1);
        });
    idle.minDate = AppleTime::nanoseconds(ChatDBGenerator::createdUntil() - std::chrono::hours(24 * 7));
    // The sync engine watches the messages it forwarded until they are read or answered.
    idle.watchedGUIDs = connection.queryStrings(
        "SELECT guid FROM message WHERE is_from_me = 0 ORDER BY ROWID DESC LIMIT 100");
    return idle;
}

void OpenClose(benchmark::State& state) {
    for (auto _ : state) {
        const SQLiteConnection connection = SQLiteConnection::open(cursor.path);
        benchmark::DoNotOptimize(connection.db());
    }
}

void OpenLoadSchemaClose(benchmark::State& state) {
    // Opening is lazy: the first statement that names a table reads and parses the schema (and the
    // ANALYZE statistics), which every reader operation pays for on its fresh connection.
    for (auto _ : state) {
        const SQLiteConnection connection = SQLiteConnection::open(cursor.path);
        benchmark::DoNotOptimize(connection.queryInt64("SELECT 1 FROM message LIMIT 0"));
    }
}

void FetchInbound(benchmark::State& state) {
    const ChatDBReader reader(cursor.path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.fetchInbound(cursor.maxRowID, 100));
    }
}

void CountInbound(benchmark::State& state) {
    const ChatDBReader reader(cursor.path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.countInbound(cursor.maxRowID, 1000));
    }
}

void FetchRecentlyRead(benchmark::State& state) {
    const ChatDBReader reader(cursor.path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.fetchRecentlyRead(cursor.lastDateRead, cursor.lastReadRowID,
                                                          cursor.maxRowID, cursor.minDate, 100));
    }
}

void FetchReadGUIDs(benchmark::State& state) {
    const ChatDBReader reader(cursor.path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.fetchReadGUIDs(cursor.watchedGUIDs));
    }
}

void FetchRepliedGUIDs(benchmark::State& state) {
    const ChatDBReader reader(cursor.path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.fetchRepliedGUIDs(cursor.watchedGUIDs));
    }
}

void MaxRowID(benchmark::State& state) {
    const ChatDBReader reader(cursor.path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(reader.maxRowID());
    }
}

// The console table, then each operation (its median when repeated) in real and CPU time, and as a
// multiple of the bare open and close.
class SideBySideReporter : public benchmark::ConsoleReporter {
public:
    explicit SideBySideReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool single = run.run_type == Run::RT_Iteration && run.iterations > 0;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!single && !median) {
                continue;
            }
            const double toMicroseconds = 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            Figures& figures = figures_[run.run_name.function_name];
            if (median || !figures.fromMedian) {
                figures = {run.GetAdjustedRealTime() * toMicroseconds,
                           run.GetAdjustedCPUTime() * toMicroseconds, median};
            }
        }
    }

    void printSummary() const {
        const auto bare = figures_.find("OpenClose");
        std::printf("\n%-26s %12s %12s %14s\n", "operation (idle database)", "real us", "CPU us",
                    "x open+close");
        for (const char* name :
             {"OpenClose", "OpenLoadSchemaClose", "MaxRowID", "FetchInbound", "CountInbound",
              "FetchRecentlyRead", "FetchReadGUIDs", "FetchRepliedGUIDs"}) {
            const auto found = figures_.find(name);
            if (found == figures_.end()) {
                continue;
            }
            const double ratio =
                bare != figures_.end() && bare->second.cpu > 0 ? found->second.cpu / bare->second.cpu : 0.0;
            std::printf("%-26s %12.1f %12.1f %14.1f\n", name, found->second.real, found->second.cpu, ratio);
        }
        std::printf("(the multiple compares CPU time, which other load on the machine disturbs least)\n");
    }

private:
    struct Figures {
        double real = 0;
        double cpu = 0;
        bool fromMedian = false;
    };

    std::map<std::string, Figures> figures_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::string path = databasePath();
    ensureDatabase(path);
    cursor = idleCursor(path);
    std::fprintf(stderr, "Database %s: MAX(ROWID) %lld, %zu watched GUIDs\n", path.c_str(),
                 static_cast<long long>(cursor.maxRowID), cursor.watchedGUIDs.size());

    for (const auto& [name, function] : std::vector<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"OpenClose", OpenClose},
             {"OpenLoadSchemaClose", OpenLoadSchemaClose},
             {"MaxRowID", MaxRowID},
             {"FetchInbound", FetchInbound},
             {"CountInbound", CountInbound},
             {"FetchRecentlyRead", FetchRecentlyRead},
             {"FetchReadGUIDs", FetchReadGUIDs},
             {"FetchRepliedGUIDs", FetchRepliedGUIDs},
         }) {
        benchmark::RegisterBenchmark(name, function)->Unit(benchmark::kMicrosecond);
    }
    SideBySideReporter reporter(::isatty(STDOUT_FILENO) != 0 ? benchmark::ConsoleReporter::OO_Defaults
                                                             : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printSummary();
    benchmark::Shutdown();
    return 0;
}
