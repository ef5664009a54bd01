// How fast the sync engine forwards a 100,000-message backlog to a devserver over loopback, beside a
// floor measured in the same run: the same rows read by one plain SQLite scan, encoded to the same JSON
// and posted in 100-message batches by a bare libcurl loop to the same server. Prints messages per
// second for both, the engine's peak memory, and on its last line ratio=R (engine over floor), each the
// best of three rounds. KINDORA_BENCH_MESSAGES changes the backlog size, KINDORA_BENCH_ROUNDS the rounds.
#include <curl/curl.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/BenchDevServer.hpp"
#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/JsonCoding.hpp"
#include "core/common/Log.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "core/messagesdb/AppleTime.hpp"
#include "core/messagesdb/AttributedBodyDecoder.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/sync/FileWatermarkStore.hpp"
#include "core/sync/InMemoryWatermarkStore.hpp"
#include "core/sync/SyncEngine.hpp"
#include "tools/chatdb/ChatDBGenerator.hpp"
#include "tools/devserver/DevServerProcess.hpp"

namespace {

using namespace kindora;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The resident-set high-water mark of this process, in kilobytes, since the last reset.
long peakResidentKilobytes() {
    return bench::processStatusKilobytes("VmHWM:");
}
void resetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Messages drained and the seconds it took.
struct Drain {
    std::int64_t sent = 0;
    double seconds = 0;

    double rate() const { return seconds > 0 ? static_cast<double>(sent) / seconds : 0; }
    void keepFaster(const Drain& other) {
        if (seconds == 0 || other.rate() > rate()) {
            *this = other;
        }
    }
    void print(const char* name) const {
        std::printf("%s: %lld messages in %.3f s = %.0f messages/s\n", name, static_cast<long long>(sent),
                    seconds, rate());
    }
};

class TemporaryDirectory {
public:
    TemporaryDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sync_drain.XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary directory");
        }
        path_ = pattern;
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A paired device of the devserver's household; the household is emptied first, so that every run
// starts from the same state.
std::string pairFreshDevice(const std::string& origin, BackendClient& client) {
    bench::adminPost(origin + "/admin/reset");
    return bench::pairConfirmedDevice(origin, client).deviceToken;
}

// The floor: one scan, the same messages encoded the same way, a bare libcurl POST per 100.
std::int64_t runFloor(const std::string& databasePath, std::int64_t afterRowID, const std::string& url,
                      const std::string& token) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(databasePath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        throw std::runtime_error("cannot open the database");
    }
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, ChatDBReader::inboundSQL.c_str(), -1, &statement, nullptr);
    sqlite3_bind_int64(statement, 1, afterRowID);
    sqlite3_bind_int64(statement, 2, 1'000'000'000);

    CURL* curl = curl_easy_init();
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
    headers = curl_slist_append(headers, ("Authorization: Bearer " + token).c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t count, void*) { return size * count; });

    std::int64_t sent = 0;
    IngestRequest request;
    request.agentVersion = "bench";
    const auto post = [&] {
        const std::string body = JsonCoding::encode(toJson(request));
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
        long status = 0;
        if (curl_easy_perform(curl) != CURLE_OK ||
            (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status), status != 200)) {
            throw std::runtime_error("the floor's POST failed");
        }
        sent += static_cast<std::int64_t>(request.messages.size());
        request.messages.clear();
    };
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const auto column = [statement](int index) -> std::optional<std::string> {
            const auto* text = sqlite3_column_text(statement, index);
            return text ? std::optional<std::string>(reinterpret_cast<const char*>(text)) : std::nullopt;
        };
        const auto handle = column(6);
        const auto service = column(5);
        if (!handle || handle->empty() || (service != "iMessage" && service != "SMS")) {
            continue;
        }
        IngestMessage message;
        message.guid = column(1).value_or("");
        message.service = service == "SMS" ? MessageServiceKind::sms : MessageServiceKind::imessage;
        message.senderHandle = *handle;
        message.text = column(2);
        if (!message.text) {
            const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, 3));
            const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, 3));
            message.text = AttributedBodyDecoder::decode(std::span<const std::uint8_t>(blob, size));
        }
        message.textDecodeFailed = !message.text && sqlite3_column_type(statement, 3) != SQLITE_NULL;
        message.isGroup = sqlite3_column_int64(statement, 9) == 43;
        message.chatName = column(8);
        message.sentAt = AppleTime::date(sqlite3_column_int64(statement, 4));
        message.isRead = sqlite3_column_int64(statement, 10) == 1;
        request.messages.push_back(std::move(message));
        if (request.messages.size() == 100) {
            post();
        }
    }
    if (!request.messages.empty()) {
        post();
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return sent;
}

}  // namespace

int main() {
    const int rounds =
        std::getenv("KINDORA_BENCH_ROUNDS") ? std::max(1, std::atoi(std::getenv("KINDORA_BENCH_ROUNDS"))) : 3;
    const std::int64_t backlog =
        std::getenv("KINDORA_BENCH_MESSAGES") ? std::atoll(std::getenv("KINDORA_BENCH_MESSAGES")) : 100'000;
    Log::setStandardErrorLevel(LogLevel::fault);
    curl_global_init(CURL_GLOBAL_DEFAULT);

    TemporaryDirectory directory;
    const std::string databasePath = (directory.path() / "chat.db").string();
    ChatDBGenerator::create(databasePath, 1'000, 7);
    ChatDBReader reader(databasePath);
    const std::int64_t watermark = reader.maxRowID();
    const auto appended = ChatDBGenerator::append(databasePath, backlog, 8, SyncClock::live().now());
    std::printf("backlog: %lld inbound rows after the watermark (%lld rows in all)\n",
                static_cast<long long>(appended.inbound),
                static_cast<long long>(appended.lastRowID - watermark));

    // The devserver runs as its own process, so that this one's memory is the engine's. Its request
    // log would bury the figures, so it inherits a standard error that goes nowhere.
    const int standardError = ::dup(STDERR_FILENO);
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ::dup2(nowhere, STDERR_FILENO);
    auto server = devserver::DevServerProcess::launch(KINDORA_DEVSERVER_BINARY, {"--port", "0"});
    ::dup2(standardError, STDERR_FILENO);
    ::close(standardError);
    ::close(nowhere);
    const std::string origin = server.origin();
    CurlTransport transport;
    BackendClient client(origin, transport);

    // The engine, as the agent runs it: one tick drains the backlog page by page, saving state.json
    // durably after every batch. Also with the state kept in memory, to show what the durable saves
    // cost.
    const auto runEngine = [&](WatermarkStore& store, long* peakKilobytes) {
        InMemoryCredentialStore credentials;
        credentials.saveDeviceToken(pairFreshDevice(origin, client));
        SyncState state;
        state.lastRowID = watermark;
        store.save(state);
        SyncEngine engine(reader, client, credentials, store, nullptr, Sleeper::live(), SyncClock::live(),
                          "bench");
        const long residentBefore = bench::residentKilobytes();
        resetPeakResident();
        const auto engineStart = Clock::now();
        engine.tick();
        const double seconds = secondsSince(engineStart);
        if (peakKilobytes != nullptr) {
            *peakKilobytes = std::max(*peakKilobytes, peakResidentKilobytes() - residentBefore);
        }
        return Drain{store.load()->lifetimeSentCount, seconds};
    };

    // Rounds of floor, engine in memory and engine on disk, one after the other, so that a passing
    // load on the machine (a compiler, another benchmark) meets all three alike; each figure is the
    // best of its rounds.
    Drain floor, memory, engine;
    long peakGrowth = 0;
    for (int round = 0; round < rounds; ++round) {
        const std::string floorToken = pairFreshDevice(origin, client);
        const auto floorStart = Clock::now();
        const std::int64_t floorSent =
            runFloor(databasePath, watermark, origin + "/api/ingest/messages", floorToken);
        floor.keepFaster({floorSent, secondsSince(floorStart)});

        InMemoryWatermarkStore memoryStore;
        memory.keepFaster(runEngine(memoryStore, nullptr));

        const auto dataDirectory = directory.path() / ("data-" + std::to_string(round));
        FileWatermarkStore fileStore(dataDirectory);
        engine.keepFaster(runEngine(fileStore, &peakGrowth));
    }
    floor.print("floor");
    memory.print("engine, state in memory (for comparison)");
    engine.print("engine");
    std::printf("engine peak memory: %ld KiB (growth of the resident high-water mark during the drain)\n",
                peakGrowth);
    if (engine.sent != floor.sent || memory.sent != floor.sent) {
        std::printf("warning: the engine sent %lld messages, the floor %lld\n",
                    static_cast<long long>(engine.sent), static_cast<long long>(floor.sent));
    }
    server.terminate();
    curl_global_cleanup();
    std::printf("ratio=%.2f\n", engine.rate() / floor.rate());
    return 0;
}
