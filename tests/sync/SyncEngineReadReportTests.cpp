#include <gtest/gtest.h>

#include "core/backend/BackendError.hpp"
#include "core/messagesdb/AppleTime.hpp"
#include "tests/sync/SyncEngineTestSupport.hpp"
#include "tests/support/UserTextPrinting.hpp"

namespace kindora::testing {
namespace {

using Operation = FakeChatDB::Operation;

class ReadReportingTest : public SyncEngineTest {
protected:
    std::int64_t appleNow(double offsetSeconds = 0) const {
        return AppleTime::nanoseconds(time.now() + Seconds(offsetSeconds));
    }
    // A read inbound message, dated an hour ago, read at `dateRead`.
    void addRead(std::int64_t rowID, std::int64_t dateRead, double ageSeconds = 3600) {
        db.addRead({rowID, "read-" + std::to_string(rowID), dateRead, appleNow(-ageSeconds)});
    }
    void storeState(std::int64_t lastRowID, std::vector<PendingReadWatch> watches = {}) {
        SyncState state;
        state.lastRowID = lastRowID;
        state.pendingReadWatches = std::move(watches);
        store.save(state);
        db.setMaxRowIDOverride(lastRowID);  // the database reaches the watermark
    }
    std::vector<std::string> reportedReads(std::size_t report) const {
        std::vector<std::string> guids;
        const auto request = backend.readReports().at(report);
        for (const auto& read : request.reads.value()) {
            guids.push_back(read.guid);
        }
        return guids;
    }
};

TEST_F(ReadReportingTest, WithNothingEverIngestedThePhaseDoesNothingNotEvenExpiry) {
    storeState(0, {{"old", 1, time.now() + Seconds(-200000)}});
    db.setMaxRowIDOverride(0);
    engine->tick();
    EXPECT_EQ(db.calls(Operation::fetchRecentlyRead), 0u);
    EXPECT_EQ(saved().pendingReadWatches.size(), 1u);
}

TEST_F(ReadReportingTest, ReportsReadRowsUpToTheWatermarkAsAnEmptyMessageBatchWithReads) {
    storeState(10);
    addRead(3, 1000);
    addRead(12, 1001);  // beyond the watermark: not yet forwarded
    engine->tick();
    ASSERT_EQ(backend.readReports().size(), 1u);
    const auto report = backend.readReports()[0];
    EXPECT_TRUE(report.messages.empty());
    EXPECT_EQ(report.agentVersion, "1.2.3");
    EXPECT_FALSE(report.cursor);
    EXPECT_EQ(reportedReads(0), std::vector<std::string>{"read-3"});
    EXPECT_EQ(saved().lastReadDateRead, 1000);
    EXPECT_EQ(saved().lastReadRowID, 3);
}

TEST_F(ReadReportingTest, TwoRowsWithTheSameDateReadAreBothReportedAcrossTwoScans) {
    storeWatermark(5);
    addMessages(5);
    addRead(4, 5000);
    addRead(7, 5000);  // not forwarded yet: above the watermark
    engine->tick();
    EXPECT_EQ(reportedReads(0), std::vector<std::string>{"read-4"});
    EXPECT_EQ(saved().lastReadDateRead, 5000);
    EXPECT_EQ(saved().lastReadRowID, 4);

    addMessages(5);  // the ingest phase passes rows 6 to 10
    engine->tick();
    ASSERT_EQ(backend.readReports().size(), 2u);
    EXPECT_EQ(reportedReads(1), std::vector<std::string>{"read-7"}) << "same date_read, higher ROWID";
    EXPECT_EQ(saved().lastReadRowID, 7);
}

TEST_F(ReadReportingTest, TheCursorPairWalksPagesOfEqualDateRead) {
    storeState(500);
    for (int row = 1; row <= 150; ++row) {
        addRead(row, 7777);
    }
    engine->tick();
    engine->tick();
    ASSERT_EQ(backend.readReports().size(), 2u);
    EXPECT_EQ(reportedReads(0).size(), 100u);
    EXPECT_EQ(reportedReads(1).size(), 50u);
    EXPECT_EQ(reportedReads(1).front(), "read-101");
    engine->tick();
    EXPECT_EQ(backend.readReports().size(), 2u) << "nothing left to report";
}

TEST_F(ReadReportingTest, AMessageOlderThanTheScanWindowIsFoundOnlyThroughItsWatch) {
    storeState(10, {{"read-4", 4, time.now()}});
    addRead(4, 1000, 30 * 3600);
    db.markRead("read-4");
    engine->tick();
    ASSERT_EQ(backend.readReports().size(), 1u);
    EXPECT_EQ(reportedReads(0), std::vector<std::string>{"read-4"});
    EXPECT_TRUE(saved().pendingReadWatches.empty());
}

TEST_F(ReadReportingTest, AWatchedMessageRepliedToIsReportedEvenWhileUnread) {
    storeState(10, {{"guid-a", 5, time.now()}, {"guid-b", 6, time.now()}});
    db.markReplied("guid-b");
    engine->tick();
    EXPECT_EQ(reportedReads(0), std::vector<std::string>{"guid-b"});
    ASSERT_EQ(saved().pendingReadWatches.size(), 1u);
    EXPECT_EQ(saved().pendingReadWatches[0].guid, "guid-a");
}

TEST_F(ReadReportingTest, TheReportCarriesAtMost100ReadsScannedRowsFirst) {
    std::vector<PendingReadWatch> watches;
    for (int i = 0; i < 5; ++i) {
        watches.push_back({"watch-" + std::to_string(i), 400 + i, time.now()});
        db.markRead("watch-" + std::to_string(i));
    }
    storeState(500, watches);
    for (int row = 1; row <= 100; ++row) {
        addRead(row, 9000 + row);
    }
    engine->tick();
    EXPECT_EQ(reportedReads(0).size(), 100u);
    EXPECT_EQ(reportedReads(0).back(), "read-100");
    EXPECT_EQ(saved().pendingReadWatches.size(), 5u);

    engine->tick();
    EXPECT_EQ(reportedReads(1),
              (std::vector<std::string>{"watch-0", "watch-1", "watch-2", "watch-3", "watch-4"}));
    EXPECT_TRUE(saved().pendingReadWatches.empty());
}

TEST_F(ReadReportingTest, AFailedReportKeepsCursorAndWatchesAndDoesNotBackOff) {
    storeState(100, {{"watched", 50, time.now()}});
    db.markRead("watched");
    for (int row = 1; row <= 40; ++row) {
        addRead(row, 100 + row);
    }
    backend.setResponder([](const IngestRequest&) -> IngestResponse { throw BackendError::http(502); });
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_EQ(saved().lastReadDateRead, 0);
    EXPECT_EQ(saved().pendingReadWatches.size(), 1u);
    EXPECT_FALSE(lastStatus().lastError);
    EXPECT_TRUE(logs.contains(
        "read-report failed, retrying next tick without backing off ingest: Request failed (HTTP 502)",
        "Sync"));

    backend.setResponder(FakeIngestClient::allNoMatch);
    engine->tick();
    EXPECT_EQ(reportedReads(1).size(), 41u);
    EXPECT_EQ(reportedReads(1), reportedReads(0));
    EXPECT_EQ(saved().lastReadDateRead, 140);
    EXPECT_EQ(saved().lastReadRowID, 40);
    EXPECT_TRUE(saved().pendingReadWatches.empty());
}

TEST_F(ReadReportingTest, AWatchOlderThanADayIsDroppedBeforeTheWatchQueriesRun) {
    // A watch stored without raisedAt (an older state file) is as old as a date can be: it expires too.
    const PendingReadWatch undated =
        SyncState::decode(
            R"({"lastRowID":10,"lifetimeSentCount":0,"pendingReadWatches":[{"guid":"undated","rowID":3}]})")
            .pendingReadWatches.at(0);
    storeState(
        10,
        {undated, {"expired", 1, time.now() + Seconds(-86401)}, {"kept", 2, time.now() + Seconds(-86400)}});
    engine->tick();
    const auto queries = db.watchQueries();
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0], std::vector<std::string>{"kept"});
    ASSERT_EQ(saved().pendingReadWatches.size(), 1u);
    EXPECT_EQ(saved().pendingReadWatches[0].guid, "kept");
}

TEST_F(ReadReportingTest, NothingToReportStillMovesTheCursorOverTheScannedRows) {
    storeState(10);
    addRead(20, 3000);  // beyond the watermark: not scanned
    engine->tick();
    EXPECT_TRUE(backend.readReports().empty());
    EXPECT_EQ(saved().lastReadDateRead, 0);
    EXPECT_EQ(db.calls(Operation::fetchReadGUIDs), 0u) << "no watches, no watch queries";
}

struct ReadFailureCase {
    const char* name;
    Operation operation;
    bool busy;
    const char* logged;  // nullptr: silent
};

class ReadReportingFailure : public ReadReportingTest,
                             public ::testing::WithParamInterface<ReadFailureCase> {};

TEST_P(ReadReportingFailure, StopsThePhaseForThisTickOnly) {
    storeState(10, {{"watched", 5, time.now()}});
    db.markRead("watched");
    addRead(3, 1000);
    db.failWith(GetParam().operation,
                GetParam().busy ? SQLiteError::busy() : SQLiteError::failure(1, "no such table"));
    EXPECT_EQ(engine->tick(), 5.0);
    EXPECT_TRUE(backend.readReports().empty());
    EXPECT_EQ(saved().lastReadDateRead, 0);
    EXPECT_EQ(saved().lastSyncAt, time.now()) << "read failures never fail the tick";
    if (GetParam().logged) {
        EXPECT_TRUE(logs.contains(GetParam().logged, "Sync"));
    } else {
        EXPECT_TRUE(logs.lines().empty());
    }
    db.failWith(GetParam().operation, std::nullopt);
    engine->tick();
    EXPECT_EQ(reportedReads(0), (std::vector<std::string>{"read-3", "watched"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadReportingFailure,
    ::testing::Values(ReadFailureCase{"ScanBusy", Operation::fetchRecentlyRead, true, nullptr},
                      ReadFailureCase{"ScanFails", Operation::fetchRecentlyRead, false,
                                      "read-scan failed, retrying next tick: "},
                      ReadFailureCase{"ReadWatchBusy", Operation::fetchReadGUIDs, true, nullptr},
                      ReadFailureCase{"ReplyWatchFails", Operation::fetchRepliedGUIDs, false,
                                      "pending-read watch query failed, retrying next tick: "}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(ReadReportingTest, RevocationOnTheReadReportStopsTheEngineAfterPersisting) {
    storeState(10);
    addRead(3, 1000);
    db.addMessage();
    backend.setResponder([](const IngestRequest& request) -> IngestResponse {
        if (request.reads) {
            throw BackendError::revoked();
        }
        return FakeIngestClient::allNoMatch(request);
    });
    engine->tick();
    EXPECT_FALSE(credentials.loadDeviceToken());
    EXPECT_EQ(englishOf(lastStatus().lastError), "Device credential revoked");
    EXPECT_FALSE(saved().lastSyncAt);
    EXPECT_EQ(saved().lastReadDateRead, 0);
}

TEST_F(ReadReportingTest, AnAcceptedReportCountsAsBackendContactAndLogsTheCounts) {
    storeState(10);
    addRead(3, 1000);
    backend.setResponder([](const IngestRequest&) {
        IngestResponse response;
        response.alreadyRead = 1;
        response.resolved = 2;
        return response;
    });
    int contacts = 0;
    engine->setBackendContactHandler([&contacts] { ++contacts; });
    engine->tick();
    EXPECT_EQ(contacts, 1);
    EXPECT_TRUE(logs.contains("read-report accepted alreadyRead=1 resolved=2", "Sync"));
}

}  // namespace
}  // namespace kindora::testing
