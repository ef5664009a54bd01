#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/backend/BackendError.hpp"
#include "core/sync/RefusalTriage.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/UserTextPrinting.hpp"

namespace kindora::testing {
namespace {

using Action = RefusalVerdict::Action;

std::vector<MessageRow> rows(std::int64_t first, std::int64_t count) {
    std::vector<MessageRow> result;
    for (std::int64_t rowID = first; rowID < first + count; ++rowID) {
        MessageRow row;
        row.rowID = rowID;
        row.guid = "guid-" + std::to_string(rowID);
        result.push_back(row);
    }
    return result;
}

Action actionOf(const std::optional<RefusalVerdict>& verdict) {
    EXPECT_TRUE(verdict.has_value());
    return verdict ? verdict->action : Action::retry;
}

class RefusalTriageTest : public ::testing::Test {
protected:
    RefusalTriage triage;
    LogCapture logs;
};

TEST_F(RefusalTriageTest, ADuplicateIsHalvedOutOfItsBatchTriedThreeTimesAloneThenPassedAsAlreadyHeld) {
    const auto batch = rows(1, 4);
    const auto duplicate = BackendError::duplicate("Duplicate GUID guid-1");
    EXPECT_EQ(actionOf(triage.judge(batch, duplicate)), Action::split);
    EXPECT_TRUE(logs.contains("ingest 400 (duplicate guid) for a batch of 4 rows, sending it in smaller parts"));

    // The part's first row alone: the refusal of the whole batch counted as its first.
    const auto alone = std::span(batch).first(1);
    const auto second = triage.judge(alone, duplicate);
    EXPECT_EQ(actionOf(second), Action::retry);
    EXPECT_EQ(englishOf(second->errorText), "Duplicate GUID guid-1");
    EXPECT_TRUE(logs.contains(
        "ingest 400 (possible duplicate guid), not advancing (attempt 2/3): Duplicate GUID guid-1"));
    EXPECT_FALSE(triage.notice());

    const auto third = triage.judge(alone, duplicate);
    EXPECT_EQ(actionOf(third), Action::passOver);
    EXPECT_EQ(third->alreadyHeld, 1);
    EXPECT_TRUE(logs.contains("ingest 400 (duplicate guid) persisted 3 attempts, passing rowID=1 as already held: "
                              "Duplicate GUID guid-1"));
    EXPECT_EQ(englishOf(triage.notice()),
              "Passed 1 message(s) the backend already holds after 3 repeated duplicate-guid rejections");

    // A clean batch in the same tick would hide the pass before anyone saw it; one in the next ends it.
    triage.batchWentThroughCleanly();
    EXPECT_TRUE(triage.notice());
    triage.beginTick();
    triage.batchWentThroughCleanly();
    EXPECT_FALSE(triage.notice());

    // Passed rows were forgotten: the same guid refused again starts its count afresh.
    EXPECT_EQ(actionOf(triage.judge(alone, duplicate)), Action::retry);
}

TEST_F(RefusalTriageTest, ABatchRefusedWithAReasonIsSplitDownToTheOneMessageThatIsDroppedAndNamed) {
    const auto batch = rows(1, 2);
    const auto refusal = BackendError::http(400, "sentAt out of range");
    EXPECT_EQ(actionOf(triage.judge(batch, refusal)), Action::split);
    const auto dropped = triage.judge(std::span(batch).last(1), refusal);
    EXPECT_EQ(actionOf(dropped), Action::passOver);
    EXPECT_EQ(dropped->alreadyHeld, 0) << "a dropped message is not counted as sent";
    EXPECT_EQ(logs.count("ingest 400, dropping poison batch of 1 rows: sentAt out of range", "Sync"), 1u);

    // Drops and passes of one stretch are told together, the last reason kept.
    const auto duplicate = BackendError::duplicate("Duplicate GUID guid-5");
    const auto row = rows(5, 1);
    for (int attempt = 0; attempt < RefusalTriage::duplicateAttemptsBeforePass; ++attempt) {
        triage.judge(row, duplicate);
    }
    EXPECT_EQ(englishOf(triage.notice()),
              "Passed 1 message(s) the backend already holds after 3 repeated duplicate-guid rejections; "
              "Dropped 1 message(s) the backend refused: sentAt out of range");
}

TEST_F(RefusalTriageTest, AnUnexplained400OrASingleMessage413IsWaitedOutFiveTimesBeforeTheRowIsDropped) {
    const auto batch = rows(1, 2);
    const auto head = std::span(batch).first(1);
    const auto proxyPage = BackendError::http(400);
    for (int attempt = 1; attempt < RefusalTriage::unexplainedRejectionsBeforeDrop; ++attempt) {
        const auto verdict = triage.judge(batch, proxyPage);
        EXPECT_EQ(actionOf(verdict), Action::retry) << attempt;
        EXPECT_EQ(englishOf(verdict->errorText), "Request failed (HTTP 400)");
    }
    EXPECT_TRUE(logs.contains("ingest 400 without the backend's error body, not advancing (attempt 5/6)"));
    EXPECT_EQ(actionOf(triage.judge(batch, proxyPage)), Action::split) << "the sixth takes the batch as refused";
    EXPECT_EQ(actionOf(triage.judge(head, proxyPage)), Action::passOver);
    EXPECT_EQ(logs.count("ingest 400, dropping poison batch of 1 rows: no body", "Sync"), 1u);

    // Too large: a batch is halved at once, a single message only after the same patience.
    const auto large = BackendError::http(413);
    EXPECT_EQ(actionOf(triage.judge(rows(10, 30), large)), Action::split);
    const auto single = rows(10, 1);
    EXPECT_EQ(actionOf(triage.judge(single, large)), Action::retry);
    EXPECT_TRUE(logs.contains("ingest 413 without the backend's error body, not advancing (attempt 1/6)"));
    triage.taken(single);  // the proxy relented: the next complaint starts the count again
    EXPECT_EQ(actionOf(triage.judge(single, large)), Action::retry);
    EXPECT_TRUE(logs.contains("(attempt 1/6)"));
    EXPECT_EQ(logs.count("(attempt 2/6)", "Sync"), 1u) << "only the 400s reached a second attempt";
}

TEST_F(RefusalTriageTest, FailuresOfTheExchangeAreNoRefusalOfTheMessages) {
    const auto batch = rows(1, 3);
    for (const auto& error : {BackendError::network("timed out"), BackendError::http(503, "maintenance"),
                              BackendError::revoked(), BackendError::forbidden()}) {
        EXPECT_FALSE(triage.judge(batch, error)) << error.what();
    }
}

}  // namespace
}  // namespace kindora::testing
