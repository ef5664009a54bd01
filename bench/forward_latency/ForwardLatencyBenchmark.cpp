// How long a new message takes from the Messages database to the backend while the agent runs: the
// sync engine (live sleeper and clock) with the change watcher waking it, the real backend client over
// libcurl, and the devserver on loopback. Messages are appended one at a time at random moments by
// the chatdb generator, as Messages would write them; the delay of each is measured from the start of
// its append to the moment the devserver received it. Prints p50, p99 and the maximum, and on its last
// line p50_ms=X p99_ms=Y.
//
// --without-watcher runs the same with the regular 5-second tick alone, for comparison.
// KINDORA_BENCH_APPENDS changes the number of appends (default 50, about 30 seconds).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/Log.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/messagesdb/InotifyChatDBChangeWatcher.hpp"
#include "core/messagesdb/SQLiteConnection.hpp"
#include "core/sync/InMemoryWatermarkStore.hpp"
#include "core/sync/SyncEngine.hpp"
#include "tools/chatdb/ChatDBGenerator.hpp"
#include "tools/devserver/DevServer.hpp"

namespace {

using namespace kindora;
namespace fs = std::filesystem;

class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::string pattern = (fs::temp_directory_path() / "forward_latency.XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary directory");
        }
        path_ = pattern;
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    ~TemporaryDirectory() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

double millisecondsBetween(Date from, Date to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Nearest-rank percentile of sorted values.
double percentile(const std::vector<double>& sorted, double fraction) {
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

int main(int argc, char** argv) {
    const bool withWatcher = !(argc > 1 && std::strcmp(argv[1], "--without-watcher") == 0);
    const char* appendsText = std::getenv("KINDORA_BENCH_APPENDS");
    const int appends = appendsText != nullptr ? std::max(1, std::atoi(appendsText)) : 50;
    Log::setStandardErrorLevel(LogLevel::error);

    const TemporaryDirectory directory;
    const std::string database = (directory.path() / "chat.db").string();
    ChatDBGenerator::create(database, 1'000, 3);

    devserver::DevServer server{devserver::DevServerOptions{}};
    server.start();
    CurlTransport transport;
    BackendClient client(server.origin(), transport);
    const auto pairing = client.createPairing("latency-bench-mac", "bench");
    server.household().confirmPairing(pairing.code);
    InMemoryCredentialStore credentials;
    credentials.saveDeviceToken(pairing.deviceToken);

    const ChatDBReader reader(database);
    InMemoryWatermarkStore store;
    SyncEngine engine(reader, client, credentials, store, nullptr, Sleeper::live(), SyncClock::live(),
                      "bench");
    InotifyChatDBChangeWatcher watcher(database);
    if (withWatcher) {
        watcher.start([&engine] { engine.tickNow(); });
    }
    engine.start();
    while (!store.state()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // the first tick sets the watermark
    }

    std::printf("%d appends at random moments, %s\n", appends,
                withWatcher ? "change watcher waking the sync loop" : "regular 5-second tick alone");
    std::fflush(stdout);
    std::mt19937_64 random(42);
    std::uniform_int_distribution<int> gapMilliseconds(200, 1000);
    std::map<std::string, Date> appendedAt;
    for (int index = 0; index < appends; ++index) {
        std::this_thread::sleep_for(std::chrono::milliseconds(gapMilliseconds(random)));
        const Date start = SyncClock::live().now();
        const auto summary =
            ChatDBGenerator::append(database, 1, 1000 + static_cast<std::uint64_t>(index), start);
        const SQLiteConnection connection = SQLiteConnection::open(database);
        const auto guids =
            connection.queryStrings("SELECT guid FROM message WHERE ROWID = ?", {summary.firstInboundRowID});
        appendedAt.emplace(guids.at(0), start);
    }

    // Everything should arrive within a tick or two; give it up to 15 seconds.
    const auto waitUntil = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    std::vector<double> latencies;
    for (;;) {
        latencies.clear();
        for (const auto& stored : server.household().snapshot().messages) {
            if (const auto found = appendedAt.find(stored.message.guid); found != appendedAt.end()) {
                latencies.push_back(millisecondsBetween(found->second, stored.receivedAt));
            }
        }
        if (latencies.size() == appendedAt.size() || std::chrono::steady_clock::now() > waitUntil) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    watcher.stop();
    engine.stop();
    server.stop();

    if (latencies.empty()) {
        std::printf("nothing was received\n");
        return 1;
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("received %zu of %zu\n", latencies.size(), appendedAt.size());
    std::printf("append-to-received: min %.0f ms, p50 %.0f ms, p99 %.0f ms, max %.0f ms\n", latencies.front(),
                percentile(latencies, 0.50), percentile(latencies, 0.99), latencies.back());
    std::printf("p50_ms=%.0f p99_ms=%.0f\n", percentile(latencies, 0.50), percentile(latencies, 0.99));
    return latencies.size() == appendedAt.size() ? 0 : 1;
}
