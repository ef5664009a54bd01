#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>
#include <memory>
#include <set>

#include "core/backend/BackendError.hpp"
#include "tests/sync/SyncEngineTestSupport.hpp"
#include "tools/chatdb/ArchivedStringBlob.hpp"
#include "tests/support/UserTextPrinting.hpp"

namespace kindora::testing {
namespace {

using Operation = FakeChatDB::Operation;

std::vector<std::string> guidsOf(const IngestRequest& request) {
    std::vector<std::string> guids;
    for (const auto& message : request.messages) {
        guids.push_back(message.guid);
    }
    return guids;
}

// --- first run and the watermark ------------------------------------------------------------------

TEST_F(SyncEngineTest, FirstRunAnchorsAtTheHighestRowAndNeverSendsOlderHistory) {
    for (int i = 0; i < 5000; ++i) {
        db.addUnusableRow(i + 1);
    }
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_EQ(saved().lastRowID, 5000);
    EXPECT_EQ(saved().lifetimeSentCount, 0);
    EXPECT_EQ(saved().lastSyncAt, time.now());
    EXPECT_TRUE(backend.requests().empty());

    const auto& fresh = db.addMessage();
    engine->tick();
    ASSERT_EQ(backend.messageBatches().size(), 1u);
    EXPECT_EQ(guidsOf(backend.messageBatches()[0]), std::vector<std::string>{fresh.guid});
    EXPECT_EQ(saved().lastRowID, 5001);
}

TEST_F(SyncEngineTest, WithoutATokenATickDoesNothingAndPublishesNothing) {
    credentials.deleteDeviceToken();
    addMessages(3);
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_FALSE(store.state());
    EXPECT_EQ(db.calls(Operation::maxRowID), 0u);
    EXPECT_TRUE(published().empty());
}

TEST_F(SyncEngineTest, AFailedFirstRunQueryIsLoggedAndSkipsTheTick) {
    db.failWith(Operation::maxRowID, SQLiteError::failure(11, "database disk image is malformed"));
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_FALSE(store.state());
    EXPECT_TRUE(logs.contains("first-run watermark query failed, skipping tick: ", "Sync"));
    EXPECT_TRUE(published().empty());
}

TEST_F(SyncEngineTest, SendsTheBatchWithTheTokenTheVersionAndNoCursor) {
    storeWatermark(0);
    addMessages(2);
    engine->tick();
    ASSERT_EQ(backend.requests().size(), 1u);
    const auto request = backend.requests()[0];
    EXPECT_EQ(backend.tokens()[0], deviceToken);
    EXPECT_EQ(request.agentVersion, "1.2.3");
    EXPECT_FALSE(request.cursor);
    EXPECT_FALSE(request.reads);
    EXPECT_EQ(guidsOf(request), (std::vector<std::string>{"guid-1", "guid-2"}));
    EXPECT_FALSE(request.messages[0].senderName);
}

// --- paging and batches -----------------------------------------------------------------------------

TEST_F(SyncEngineTest, AFullPageGoesOutAsTwoBatchesAndIsFollowedByAnotherFetchInTheSameTick) {
    storeWatermark(0);
    addMessages(200);
    engine->tick();
    const auto batches = backend.messageBatches();
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].messages.size(), 100u);
    EXPECT_EQ(batches[0].messages.front().guid, "guid-1");
    EXPECT_EQ(batches[1].messages.back().guid, "guid-200");
    EXPECT_EQ(db.calls(Operation::fetchInbound), 2u);
    EXPECT_EQ(saved().lastRowID, 200);
    EXPECT_EQ(saved().lifetimeSentCount, 200);
}

TEST_F(SyncEngineTest, APageOf199RowsEndsThePhase) {
    storeWatermark(0);
    addMessages(199);
    engine->tick();
    EXPECT_EQ(backend.messageBatches().size(), 2u);
    EXPECT_EQ(db.calls(Operation::fetchInbound), 1u);
}

TEST_F(SyncEngineTest, ABacklogDrainsPageByPageInOneTickAndNoBatchLeavesBeforeThePreviousIsStored) {
    storeWatermark(0);
    addMessages(1050);
    // The state is saved on another thread while the next batch is prepared; a crash must never
    // find more than one accepted batch missing from the stored watermark.
    std::vector<std::int64_t> storedWhenSent;
    backend.setResponder([&](const IngestRequest& request) {
        storedWhenSent.push_back(saved().lastRowID);
        return FakeIngestClient::allNoMatch(request);
    });
    engine->tick();
    ASSERT_EQ(backend.messageBatches().size(), 11u);
    for (std::size_t batch = 0; batch < storedWhenSent.size(); ++batch) {
        EXPECT_EQ(storedWhenSent[batch], static_cast<std::int64_t>(batch) * 100) << "batch " << batch;
    }
    EXPECT_EQ(saved().lastRowID, 1050);
    EXPECT_EQ(lastStatus().sessionSentCount, 1050);
    EXPECT_EQ(lastStatus().queueLagRowCount, 0);
}

// The next page is read ahead while a page is sent; a batch held half-way must not skip or repeat a row
// through it, and rows written meanwhile are not lost.
TEST_F(SyncEngineTest, ABatchHeldInABacklogResumesAtTheHeldRowAndEveryMessageIsTakenOnce) {
    storeWatermark(0);
    addMessages(600);
    std::map<std::string, int> taken;
    bool erredOnce = false;
    backend.setResponder([&](const IngestRequest& request) {
        if (taken.empty()) {
            db.addMessage();  // written while the first batch is on its way: row 601
        }
        IngestResponse response;
        for (const auto& message : request.messages) {
            const bool error = message.guid == "guid-250" && !std::exchange(erredOnce, true);
            response.outcomes.push_back({message.guid, error ? IngestOutcomeKind::error : IngestOutcomeKind::noMatch});
            if (error) {
                break;  // the rows after it are held with it
            }
            ++taken[message.guid];
        }
        return response;
    });
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 249);
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 601);
    EXPECT_EQ(taken.size(), 601u);
    EXPECT_TRUE(std::all_of(taken.begin(), taken.end(), [](const auto& entry) { return entry.second == 1; }));
    EXPECT_EQ(saved().lifetimeSentCount, 601);
}

TEST_F(SyncEngineTest, APageWithoutUsableRowsMovesTheWatermarkToTheHighestScannedRow) {
    storeWatermark(10);
    db.addUnusableRow(11);
    db.addUnusableRow(12);
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 12);
    EXPECT_TRUE(backend.requests().empty());
}

// --- outcomes -----------------------------------------------------------------------------------------

TEST_F(SyncEngineTest, MixedOutcomesMoveTheWatermarkUpToTheFirstErrorAndResendTheRest) {
    storeWatermark(0);
    addMessages(4);
    backend.setOutcomes([](const std::string& guid) {
        if (guid == "guid-2")
            return IngestOutcomeKind::raised;
        if (guid == "guid-3")
            return IngestOutcomeKind::error;
        return IngestOutcomeKind::noMatch;
    });
    EXPECT_EQ(engine->tick(), 5.0) << "an error outcome holds the watermark but does not back off";

    const auto state = saved();
    EXPECT_EQ(state.lastRowID, 2);
    EXPECT_EQ(state.lifetimeSentCount, 2);
    ASSERT_EQ(state.pendingReadWatches.size(), 1u);
    EXPECT_EQ(state.pendingReadWatches[0], (PendingReadWatch{"guid-2", 2, time.now()}));
    EXPECT_EQ(lastStatus().sessionSentCount, 2);
    EXPECT_FALSE(lastStatus().lastError);
    EXPECT_EQ(logs.count("ingest batch: 2/4 advanced, 2 held for retry", "Sync"), 1u);

    backend.setResponder(FakeIngestClient::allNoMatch);
    engine->tick();
    ASSERT_EQ(backend.messageBatches().size(), 2u);
    EXPECT_EQ(guidsOf(backend.messageBatches()[1]), (std::vector<std::string>{"guid-3", "guid-4"}));
    EXPECT_EQ(saved().lastRowID, 4);
    EXPECT_EQ(saved().lifetimeSentCount, 4);
}

TEST_F(SyncEngineTest, ALeadingErrorOutcomeHoldsTheMessagesSaysSoAndBacksOffUntilTheBackendTakesThem) {
    storeWatermark(0);
    addMessages(150);
    backend.setOutcomes([](const std::string&) { return IngestOutcomeKind::error; });
    const double first = engine->tick();
    EXPECT_EQ(saved().lastRowID, 0);
    EXPECT_EQ(saved().lifetimeSentCount, 0);
    EXPECT_FALSE(saved().lastSyncAt) << "a tick that forwarded nothing is no clean sync";
    EXPECT_EQ(backend.messageBatches().size(), 1u) << "the second batch waits for the first";
    EXPECT_TRUE(
        logs.contains("ingest batch: 0/100 advanced (leading error outcome), retrying next tick", "Sync"));
    EXPECT_EQ(englishOf(lastStatus().lastError),
              "Messages held: the backend could not process the next message yet and is asked again");
    EXPECT_GE(first, 5.0 * 0.85);
    EXPECT_GE(engine->tick(), 10.0 * 0.85) << "the same first message came back with error: back off";

    backend.setOutcomes([](const std::string&) { return IngestOutcomeKind::noMatch; });
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_EQ(saved().lastRowID, 150);
    EXPECT_FALSE(lastStatus().lastError);
}

TEST_F(SyncEngineTest, AnErrorAlreadyMappedForAGuidWinsOverALaterEntry) {
    storeWatermark(0);
    addMessages(2);
    backend.setResponder([](const IngestRequest&) {
        IngestResponse response;
        response.outcomes = {{"guid-2", IngestOutcomeKind::error},
                             {"guid-2", IngestOutcomeKind::noMatch},
                             {"guid-1", IngestOutcomeKind::raised},
                             {"guid-1", IngestOutcomeKind::noMatch}};
        return response;
    });
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 1);
    EXPECT_TRUE(saved().pendingReadWatches.empty()) << "the later no-match replaced raised";
}

TEST_F(SyncEngineTest, AMessageWithoutAnOutcomeCountsAsPassed) {
    storeWatermark(0);
    addMessages(3);
    backend.setResponder([](const IngestRequest&) { return IngestResponse{}; });
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 3);
    EXPECT_EQ(saved().lifetimeSentCount, 3);
}

// --- rows that are not sent as they are ------------------------------------------------------------

TEST_F(SyncEngineTest, ARowOfAnotherServiceIsSkippedButPassedAndNotCounted) {
    storeWatermark(0);
    db.addMessage();
    MessageRow other = db.addMessage();
    other.service = Service::other("RCS");
    db.addRow(other);
    MessageRow sms = db.addMessage();
    sms.service = Service::sms();
    db.addRow(sms);
    engine->tick();
    ASSERT_EQ(backend.messageBatches().size(), 1u);
    const auto batch = backend.messageBatches()[0];
    EXPECT_EQ(guidsOf(batch), (std::vector<std::string>{"guid-1", "guid-3"}));
    EXPECT_EQ(batch.messages[1].service, MessageServiceKind::sms);
    EXPECT_EQ(saved().lastRowID, 3);
    EXPECT_EQ(saved().lifetimeSentCount, 2);
    EXPECT_TRUE(logs.contains("skipping rowID=2 with unsupported service 'RCS'", "Sync"));
}

TEST_F(SyncEngineTest, ABatchOfOnlyUnsupportedRowsSendsNothingAndPassesThem) {
    storeWatermark(0);
    for (int i = 0; i < 3; ++i) {
        MessageRow row = db.addMessage();
        row.service = Service::other("");
        db.addRow(row);
    }
    engine->tick();
    EXPECT_TRUE(backend.messageBatches().empty());
    EXPECT_EQ(saved().lastRowID, 3);
    EXPECT_EQ(saved().lifetimeSentCount, 0);
}

std::vector<std::uint8_t> archivedString(const std::string& text) {
    return ArchivedStringBlob::make(text);
}

struct TextCase {
    const char* name;
    std::optional<std::string> text;
    std::optional<std::vector<std::uint8_t>> attributedBody;
    std::optional<std::string> expectedText;
    bool expectedDecodeFailed;
};

class SyncEngineMessageText : public SyncEngineTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(SyncEngineMessageText, ComesFromTheTextColumnOrTheAttributedBody) {
    storeWatermark(0);
    MessageRow row = db.addMessage();
    row.text = GetParam().text;
    row.attributedBody = GetParam().attributedBody;
    db.addRow(row);
    engine->tick();
    ASSERT_EQ(backend.messageBatches().size(), 1u);
    const auto message = backend.messageBatches()[0].messages.at(0);
    EXPECT_EQ(message.text, GetParam().expectedText);
    EXPECT_EQ(message.textDecodeFailed, GetParam().expectedDecodeFailed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SyncEngineMessageText,
    ::testing::Values(
        TextCase{"TextColumn", "plain", archivedString("ignored"), "plain", false},
        TextCase{"DecodableBody", std::nullopt, archivedString("from the body"), "from the body", false},
        TextCase{"UndecodableBody", std::nullopt, std::vector<std::uint8_t>{1, 2, 3}, std::nullopt, true},
        TextCase{"EmptyBody", std::nullopt, std::vector<std::uint8_t>{}, std::nullopt, true},
        TextCase{"NoTextAtAll", std::nullopt, std::nullopt, std::nullopt, false},
        TextCase{"MalformedUtf8IsRepaired", std::string("caf\xC3"), std::nullopt,
                 std::string("caf\xEF\xBF\xBD"), false}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(SyncEngineTest, CutsTextsLongerThan10000CharactersAndSendsExactly10000Whole) {
    storeWatermark(0);
    const std::string accented = "\xC3\xA9";  // two bytes, one character
    std::string exact;
    for (int i = 0; i < 10000; ++i)
        exact += accented;
    // Twice as many code points as characters: "e" and a combining acute accent make one character.
    std::string combined;
    for (int i = 0; i < 10000; ++i)
        combined += "e\xCC\x81";
    db.addMessage(exact);
    db.addMessage(exact + "x");
    db.addMessage(combined);
    db.addMessage(combined + "e\xCC\x81");
    engine->tick();
    const auto messages = backend.messageBatches().at(0).messages;
    EXPECT_EQ(messages[0].text, exact);
    EXPECT_EQ(messages[1].text, exact);
    EXPECT_EQ(messages[2].text, combined);
    EXPECT_EQ(messages[3].text, combined);
    EXPECT_EQ(logs.count("truncating message text from 10001 to 10000 chars", "Sync"), 2u);
}

TEST_F(SyncEngineTest, CopiesTheRowsFieldsIntoTheMessage) {
    storeWatermark(0);
    MessageRow row = db.addMessage("hi");
    row.senderHandle = "someone@example.com";
    row.chatDisplayName = "Family";
    row.isGroup = true;
    row.isRead = true;
    row.date = time.now();
    db.addRow(row);
    engine->tick();
    const auto message = backend.messageBatches().at(0).messages.at(0);
    EXPECT_EQ(message.senderHandle, "someone@example.com");
    EXPECT_EQ(message.chatName, "Family");
    EXPECT_TRUE(message.isGroup);
    EXPECT_TRUE(message.isRead);
    EXPECT_EQ(message.sentAt, time.now());
    EXPECT_EQ(message.service, MessageServiceKind::imessage);
}

// --- refused batches: duplicates, poison, proxies, size -------------------------------------------

// A backend that keeps what it takes and refuses, as a duplicate, any batch holding a message it
// already has. It can be told to keep a batch but lose its answer, as a time-out would.
class HoldingBackend {
public:
    IngestResponse operator()(const IngestRequest& request) {
        for (const auto& message : request.messages) {
            if (held.contains(message.guid)) {
                throw BackendError::duplicate("duplicate message guid " + message.guid);
            }
        }
        for (const auto& message : request.messages) {
            held.insert(message.guid);
        }
        if (loseNextAnswer) {
            loseNextAnswer = false;
            throw BackendError::network("timed out");
        }
        return FakeIngestClient::allNoMatch(request);
    }

    std::set<std::string> held;
    bool loseNextAnswer = false;
};

TEST_F(SyncEngineTest, ABatchResentAfterItsAnswerWasLostLosesNoneOfTheNewMessagesWithIt) {
    storeWatermark(0);
    addMessages(10);
    auto holding = std::make_shared<HoldingBackend>();
    holding->loseNextAnswer = true;
    backend.setResponder([holding](const IngestRequest& request) { return (*holding)(request); });
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 0) << "no answer, no progress";
    EXPECT_EQ(holding->held.size(), 10u);

    addMessages(5);
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_EQ(holding->held.size(), 15u) << "the five new messages went on despite the refusals";
    EXPECT_EQ(saved().lastRowID, 15);
    EXPECT_EQ(saved().lifetimeSentCount, 15);
    EXPECT_EQ(englishOf(lastStatus().lastError),
              "Passed 10 message(s) the backend already holds after 3 repeated duplicate-guid rejections");
    EXPECT_FALSE(logs.contains("dropping poison batch"));
    EXPECT_EQ(logs.count("passing rowID=", "Sync"), 10u);

    engine->tick();  // nothing new: the notice stays until a batch goes through cleanly
    EXPECT_TRUE(lastStatus().lastError);
    db.addMessage();
    engine->tick();
    EXPECT_FALSE(lastStatus().lastError);
}

TEST_F(SyncEngineTest, ARefusedBatchIsHalvedUntilOnlyTheRefusedMessageIsDroppedAndTheStatusSaysSo) {
    storeWatermark(0);
    addMessages(150);
    std::multiset<std::string> delivered;
    backend.setResponder([&delivered](const IngestRequest& request) -> IngestResponse {
        for (const auto& message : request.messages) {
            if (message.guid == "guid-37") {
                throw BackendError::http(400, "sentAt out of range");
            }
        }
        for (const auto& message : request.messages) {
            delivered.insert(message.guid);
        }
        return FakeIngestClient::allNoMatch(request);
    });
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_EQ(saved().lastRowID, 150);
    EXPECT_EQ(saved().lifetimeSentCount, 149) << "the refused message is not counted as sent";
    EXPECT_EQ(std::set<std::string>(delivered.begin(), delivered.end()).size(), delivered.size())
        << "no message was taken twice";
    EXPECT_EQ(delivered.size(), 149u);
    EXPECT_EQ(logs.count("ingest 400, dropping poison batch of 1 rows: sentAt out of range", "Sync"), 1u);
    EXPECT_EQ(englishOf(lastStatus().lastError), "Dropped 1 message(s) the backend refused: sentAt out of range");

    db.addMessage();
    engine->tick();
    EXPECT_FALSE(lastStatus().lastError);
}

TEST_F(SyncEngineTest, ABatchTooLargeForTheBackendIsSplitAndEverythingGoesOn) {
    storeWatermark(0);
    // Rows of another service among them: each part carries exactly the messages of its own rows.
    std::set<std::string> forwardable;
    for (int index = 1; index <= 200; ++index) {
        MessageRow row = db.addMessage();
        if (index % 37 == 0) {
            row.service = Service::other("RCS");
            db.addRow(row);
        } else {
            forwardable.insert(row.guid);
        }
    }
    std::multiset<std::string> accepted;
    backend.setResponder([&accepted](const IngestRequest& request) -> IngestResponse {
        if (request.messages.size() > 30) {
            throw BackendError::http(413);
        }
        for (const auto& message : request.messages) {
            accepted.insert(message.guid);
        }
        return FakeIngestClient::allNoMatch(request);
    });
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_EQ(saved().lastRowID, 200);
    EXPECT_EQ(saved().lifetimeSentCount, 195);
    EXPECT_EQ(accepted, std::multiset<std::string>(forwardable.begin(), forwardable.end()));
    EXPECT_FALSE(lastStatus().lastError);
    EXPECT_FALSE(logs.contains("dropping"));

    // A single message is never too large for the backend: a 413 for it is a failure to wait out, with
    // the watermark where it is.
    backend.setResponder([](const IngestRequest&) -> IngestResponse { throw BackendError::http(413); });
    db.addMessage();
    EXPECT_GE(engine->tick(), 5.0 * 0.85);
    EXPECT_GE(engine->tick(), 10.0 * 0.85);
    EXPECT_EQ(saved().lastRowID, 200);
    EXPECT_EQ(englishOf(lastStatus().lastError), "Request failed (HTTP 413)");
}

// --- failures and back-off --------------------------------------------------------------------------

TEST_F(SyncEngineTest, RepeatedFailuresBackOffFrom5To300WithJitterAndTheFirstCleanTickReturnsTo5) {
    storeWatermark(0);
    addMessages(1);
    backend.setResponder(
        [](const IngestRequest&) -> IngestResponse { throw BackendError::network("timed out"); });
    const std::vector<double> bases{5, 10, 20, 40, 80, 160, 300, 300, 300};
    for (const double base : bases) {
        const double delay = engine->tick();
        EXPECT_GE(delay, base * 0.85) << base;
        EXPECT_LE(delay, base * 1.15) << base;
    }
    EXPECT_EQ(saved().lastRowID, 0);
    EXPECT_EQ(englishOf(lastStatus().lastError), "Network error: timed out");
    EXPECT_EQ(logs.count("sync tick failed, backing off: Network error: timed out", "Sync"), bases.size());

    backend.setResponder(FakeIngestClient::allNoMatch);
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_FALSE(lastStatus().lastError);
    backend.setResponder([](const IngestRequest&) -> IngestResponse { throw BackendError::http(503); });
    db.addMessage();
    const double afterReset = engine->tick();
    EXPECT_LE(afterReset, 5.0 * 1.15);
}

TEST_F(SyncEngineTest, AFailedTickKeepsTheLastCleanSyncTime) {
    storeWatermark(0);
    engine->tick();
    const auto cleanAt = saved().lastSyncAt;
    ASSERT_EQ(cleanAt, time.now());
    time.advance(30);
    db.addMessage();
    backend.setResponder([](const IngestRequest&) -> IngestResponse { throw BackendError::decoding("bad"); });
    engine->tick();
    EXPECT_EQ(saved().lastSyncAt, cleanAt);
    EXPECT_EQ(lastStatus().lastSyncAt, cleanAt);
}

TEST_F(SyncEngineTest, ABusyDatabaseIsSilentAndCountsAsACleanTick) {
    storeWatermark(0);
    addMessages(2);
    db.failWith(Operation::fetchInbound, SQLiteError::busy());
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_EQ(saved().lastSyncAt, time.now());
    EXPECT_FALSE(lastStatus().lastError);
    EXPECT_TRUE(logs.lines().empty());
    EXPECT_TRUE(backend.requests().empty());
}

TEST_F(SyncEngineTest, AnotherDatabaseErrorIsReportedAndBacksOff) {
    storeWatermark(0);
    db.failWith(Operation::fetchInbound, SQLiteError::failure(26, "file is not a database"));
    const double delay = engine->tick();
    EXPECT_GE(delay, 4.25);
    ASSERT_TRUE(lastStatus().lastError);
    EXPECT_EQ(lastStatus().lastError->english().rfind("chat.db read failed: ", 0), 0u);
    EXPECT_NE(lastStatus().lastError->english().find("file is not a database"), std::string::npos);
}

class FailingSaveStore final : public WatermarkStore {
public:
    std::optional<SyncState> load() override { return SyncState{}; }
    void save(const SyncState&) override { throw std::runtime_error("disk full"); }
    void reset() override {}
};

TEST_F(SyncEngineTest, AFailedSaveIsLoggedAndTheEngineCarriesOnWithItsOwnCopy) {
    FailingSaveStore failing;
    SyncEngine local(db, backend, credentials, failing, nullptr, time.sleeper(), time.clock(), std::nullopt);
    addMessages(2);
    local.tick();
    EXPECT_TRUE(logs.contains("failed to persist sync state: disk full", "Sync"));
    db.addMessage();
    local.tick();
    ASSERT_EQ(backend.messageBatches().size(), 2u);
    EXPECT_EQ(guidsOf(backend.messageBatches()[1]), std::vector<std::string>{"guid-3"});
}

// --- status -------------------------------------------------------------------------------------------

TEST_F(SyncEngineTest, PublishesCountsAndTheBacklogAfterEachTick) {
    SyncState state;
    state.lastRowID = 0;
    state.lifetimeSentCount = 40;
    store.save(state);
    addMessages(3);
    backend.setOutcomes([](const std::string& guid) {
        return guid == "guid-2" ? IngestOutcomeKind::error : IngestOutcomeKind::noMatch;
    });
    int contacts = 0;
    engine->setBackendContactHandler([&contacts] { ++contacts; });
    engine->tick();
    const auto status = lastStatus();
    EXPECT_EQ(status.sessionSentCount, 1);
    EXPECT_EQ(status.lifetimeSentCount, 41);
    EXPECT_EQ(status.queueLagRowCount, 2);
    EXPECT_EQ(status.lastSyncAt, time.now());
    EXPECT_EQ(contacts, 1);

    db.failWith(Operation::countInbound, SQLiteError::busy());
    engine->tick();
    EXPECT_EQ(lastStatus().queueLagRowCount, 0);
}

// --- revocation -----------------------------------------------------------------------------------------

TEST_F(SyncEngineTest, RevocationOnIngestDeletesTheTokenStopsAndPublishesIt) {
    storeWatermark(0);
    addMessages(150);
    int sent = 0;
    backend.setResponder([&sent](const IngestRequest& request) -> IngestResponse {
        if (sent++ > 0) {
            throw BackendError::revoked();
        }
        return FakeIngestClient::allNoMatch(request);
    });
    int revokedCallbacks = 0;
    engine->setRevokedHandler([&revokedCallbacks] { ++revokedCallbacks; });
    EXPECT_EQ(engine->tick(), 5.0);

    EXPECT_FALSE(credentials.loadDeviceToken());
    EXPECT_EQ(revokedCallbacks, 1);
    EXPECT_FALSE(engine->isRunning());
    EXPECT_EQ(saved().lastRowID, 100) << "the batch that went through is kept";
    const auto status = lastStatus();
    EXPECT_EQ(englishOf(status.lastError), "Device credential revoked");
    EXPECT_EQ(status.queueLagRowCount, 0);
    EXPECT_EQ(status.sessionSentCount, 100);
    EXPECT_EQ(status.lifetimeSentCount, 100);
    EXPECT_TRUE(backend.readReports().empty());
}

// --- a database rebuilt below the watermark ---------------------------------------------------------

TEST_F(SyncEngineTest, ADatabaseRebuiltBelowTheWatermarkIsReanchoredKeepingCountersAndWatches) {
    SyncState state;
    state.lastRowID = 9000;
    state.lifetimeSentCount = 812;
    state.addPendingReadWatch("watched", 8999, time.now());
    store.save(state);
    addMessages(300);  // the restored database only reaches row 300

    engine->tick();
    EXPECT_TRUE(logs.contains("chat.db highest rowID 300 is below the watermark 9000", "Sync"));
    const auto reanchored = saved();
    EXPECT_EQ(reanchored.lastRowID, 300);
    EXPECT_EQ(reanchored.lifetimeSentCount, 812);
    ASSERT_EQ(reanchored.pendingReadWatches.size(), 1u);
    EXPECT_TRUE(backend.messageBatches().empty()) << "what the restore brought back is history";

    const auto& fresh = db.addMessage();
    engine->tick();
    ASSERT_EQ(backend.messageBatches().size(), 1u);
    EXPECT_EQ(guidsOf(backend.messageBatches()[0]), std::vector<std::string>{fresh.guid});
    EXPECT_EQ(logs.count("is below the watermark"), 1u);
}

TEST_F(SyncEngineTest, AnEmptiedDatabaseReanchorsAtZeroAndForwardsItsFirstNewRow) {
    storeWatermark(500);
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 0);
    db.addMessage();
    engine->tick();
    EXPECT_EQ(backend.messageBatches().size(), 1u);
}

TEST_F(SyncEngineTest, AWatermarkAtTheHighestRowIsLeftAlone) {
    addMessages(5);
    storeWatermark(5);
    engine->tick();
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 5);
    EXPECT_FALSE(logs.contains("is below the watermark"));
}

// --- the cached state -------------------------------------------------------------------------------

TEST_F(SyncEngineTest, InvalidatingTheCacheReloadsTheStateFromTheStore) {
    storeWatermark(0);
    addMessages(3);
    engine->tick();
    EXPECT_EQ(backend.messageBatches().size(), 1u);

    store.reset();  // a new pairing starts from the database's current end
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 3) << "the cached state was saved again";
    store.reset();
    db.addMessage();
    engine->invalidateWatermarkCache();
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 4);
    EXPECT_EQ(saved().lifetimeSentCount, 0);
    EXPECT_EQ(backend.messageBatches().size(), 1u);
}

TEST_F(SyncEngineTest, AnUnreadableStateFailsTheTickAndIsTriedAgainNeverTakenForAFirstRun) {
    storeWatermark(2);
    addMessages(6);
    store.setSimulateUnreadable(true);
    const double delay = engine->tick();
    EXPECT_GE(delay, 5.0 * 0.85);
    EXPECT_LE(delay, 5.0 * 1.15);
    EXPECT_EQ(db.calls(Operation::maxRowID), 0u) << "no re-anchoring at the newest message";
    EXPECT_TRUE(backend.requests().empty());
    EXPECT_EQ(englishOf(lastStatus().lastError), "state.json cannot be read: Input/output error");
    EXPECT_EQ(saved().lastRowID, 2);
    EXPECT_TRUE(logs.contains("sync tick failed, backing off: state.json cannot be read", "Sync"));

    store.setSimulateUnreadable(false);
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_EQ(saved().lastRowID, 6);
    ASSERT_EQ(backend.messageBatches().size(), 1u);
    EXPECT_EQ(guidsOf(backend.messageBatches()[0]),
              (std::vector<std::string>{"guid-3", "guid-4", "guid-5", "guid-6"}));
}

TEST_F(SyncEngineTest, ACorruptStoreStartsAfreshFromTheHighestRow) {
    SyncState state;
    state.lastRowID = 2;
    state.lifetimeSentCount = 9;
    store.save(state);
    addMessages(6);
    store.reset();  // what the file store gives for a corrupt state.json: nothing
    engine->tick();
    EXPECT_EQ(saved().lastRowID, 6);
    EXPECT_EQ(saved().lifetimeSentCount, 0);
    EXPECT_TRUE(backend.messageBatches().empty());
}

}  // namespace
}  // namespace kindora::testing
