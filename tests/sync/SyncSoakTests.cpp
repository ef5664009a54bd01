#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>

#include "core/common/AgentPaths.hpp"
#include "core/messagesdb/ChatDBReader.hpp"
#include "core/sync/FileWatermarkStore.hpp"
#include "core/sync/SyncEngine.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tests/sync/MessagesDatabase.hpp"
#include "tests/sync/RecordingIngestClient.hpp"
#include "tests/sync/SyncBackendHarness.hpp"

namespace kindora::testing {
namespace {

std::int64_t soakMessageCount() {
    if (const char* configured = std::getenv("KINDORA_SOAK_MESSAGES")) {
        return std::max<std::int64_t>(std::atoll(configured), 100);
    }
    return 3'000;  // the short form that runs with every test run
}

CurlTransport::Options shortTimeout() {
    CurlTransport::Options options;
    options.timeoutSeconds = 1.0;
    return options;
}

devserver::FaultRule rule(devserver::FaultKind kind, int count, int status = 500, std::string body = {},
                          double delay = 0) {
    return {"ingest", {kind, status, std::move(body), delay}, count};
}

// Messages keep arriving while the backend fails in every way that could cost a message (5xx, time-outs,
// dropped connections, "error" outcomes, batches kept but unanswered and then refused as duplicates,
// a proxy's 400 pages, 413s) and the engine is stopped, destroyed and recreated over the same state
// file, often in the middle of a request. At the end the household holds every message, and the
// engine gave none up. Waits between ticks are virtual; the server's injected delays and the
// transport's time-out are real.
TEST(SyncSoak, EveryMessageArrivesDespiteFaultsAndRestarts) {
    std::filesystem::remove_all(AgentPaths::dataDirectory());
    LogCapture logs;
    SyncBackendHarness backend(shortTimeout());
    auto& household = backend.server().household();
    MessagesDatabase database(AgentPaths::homeDirectory() / "chat.db", 20);
    ChatDBReader reader(database.path().string());
    VirtualTime time;
    RecordingIngestClient recorder(backend.client());

    std::unique_ptr<FileWatermarkStore> store;
    std::unique_ptr<SyncEngine> engine;
    int recreations = 0;
    const auto recreate = [&] {
        engine.reset();  // stops the loop, cancelling whatever request is in flight
        store = std::make_unique<FileWatermarkStore>(AgentPaths::dataDirectory());
        engine = std::make_unique<SyncEngine>(reader, recorder, backend.credentials(), *store, nullptr,
                                              time.sleeper(), SyncClock::live(), "soak");
        engine->start();
        ++recreations;
    };
    const auto nextTick = [&] {
        ASSERT_TRUE(time.waitForSleepers(1, std::chrono::seconds(120))) << "the engine stopped ticking";
        time.advanceToNextDeadline();
    };

    recreate();
    nextTick();  // the first run anchors after the 20 messages of history

    const std::int64_t total = soakMessageCount();
    std::mt19937_64 random(std::random_device{}());
    const auto chance = [&random](int percent) { return static_cast<int>(random() % 100) < percent; };
    const int delayBudget = static_cast<int>(std::max<std::int64_t>(3, total / 1000));
    int delays = 0;
    std::int64_t appended = 0;
    std::vector<std::pair<std::string, int>> erroring;  // GUID answered "error", until this step

    for (int step = 0; appended < total; ++step) {
        const std::int64_t chunk =
            std::min<std::int64_t>(total - appended, 1 + static_cast<std::int64_t>(random() % 60));
        database.addInboundBatch(chunk, "soak text ", SyncClock::live().now());
        appended += chunk;

        auto rules = household.rules();
        std::erase_if(erroring, [&rules, step](const auto& entry) {
            if (entry.second > step) {
                return false;
            }
            rules.errorGuids.erase(entry.first);
            return true;
        });
        if (chance(8)) {
            const std::string guid =
                "FAKE-GUID-" + std::to_string(20 + appended - static_cast<std::int64_t>(random() % chunk));
            rules.errorGuids.insert(guid);
            erroring.emplace_back(guid, step + 1 + static_cast<int>(random() % 4));
        }
        household.setRules(rules);

        if (chance(10))
            backend.server().faults().add(
                rule(devserver::FaultKind::status, 1 + static_cast<int>(random() % 3), 503));
        if (chance(8))
            backend.server().faults().add(rule(devserver::FaultKind::drop, 1));
        if (chance(4))
            backend.server().faults().add(rule(devserver::FaultKind::malformed, 1));
        if (chance(5) && delays < delayBudget) {
            ++delays;  // longer than the transport waits: the household keeps what the agent gave up on
            backend.server().faults().add(rule(devserver::FaultKind::delay, 1, 200, {}, 1.3));
        }
        if (chance(6))  // the batch is kept but its answer never arrives; the resend meets duplicates
            backend.server().faults().add(rule(devserver::FaultKind::unanswered, 1));
        if (chance(4))  // a captive portal or proxy answering in the backend's place
            backend.server().faults().add(rule(devserver::FaultKind::status,
                                               1 + static_cast<int>(random() % 3), 400,
                                               "<html><body>Bad Request</body></html>"));
        if (chance(3))
            backend.server().faults().add(
                rule(devserver::FaultKind::status, 1 + static_cast<int>(random() % 2), 413));

        if (chance(6)) {
            recreate();
        } else if (chance(4)) {
            engine->stop();
            engine->start();
        }
        nextTick();
        if (::testing::Test::HasFatalFailure())
            return;
    }

    // Calm: no more faults or error outcomes; the engine catches up.
    backend.server().faults().clear();
    auto rules = household.rules();
    rules.errorGuids.clear();
    household.setRules(rules);
    std::set<std::string> forwardable;
    for (std::int64_t index = 21; index <= 20 + total; ++index) {
        forwardable.insert("FAKE-GUID-" + std::to_string(index));
    }
    std::set<std::string> received;
    for (int settle = 0; settle < 200; ++settle) {
        nextTick();
        if (::testing::Test::HasFatalFailure())
            return;
        received.clear();
        for (const auto& stored : household.snapshot().messages) {
            received.insert(stored.message.guid);
        }
        const bool arrived = std::all_of(forwardable.begin(), forwardable.end(),
                                         [&](const std::string& guid) { return received.contains(guid); });
        if (arrived && store->load() && store->load()->lastRowID >= database.maxRowID()) {
            break;
        }
    }
    engine.reset();

    // Every inbound message the household lacks, whatever the reason.
    const auto lost = std::count_if(forwardable.begin(), forwardable.end(),
                                    [&](const std::string& guid) { return !received.contains(guid); });
    // Every message the engine gave up on: it logs each one it drops.
    const auto dropped = static_cast<std::int64_t>(logs.count("dropping poison batch", "Sync"));
    const auto unexpected = std::count_if(received.begin(), received.end(), [&](const std::string& guid) {
        return !forwardable.contains(guid);
    });
    EXPECT_EQ(unexpected, 0) << "history or unknown messages reached the household";
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(dropped, 0);
    std::cout << "soak: messages=" << total << " requests=" << recorder.requests()
              << " recreations=" << recreations << " delays=" << delays << "\n"
              << "lost=" << lost << " dropped=" << dropped << " resent=" << recorder.resentMessages()
              << std::endl;
}

}  // namespace
}  // namespace kindora::testing
