#include "core/sync/SyncState.hpp"

#include <gtest/gtest.h>

#include "core/common/JsonDate.hpp"

namespace kindora {
namespace {

Date at(const char* text) {
    return JsonDate::decode(text);
}

TEST(SyncStateWatches, AddingAWatchedGuidAgainChangesNothingNotEvenRaisedAt) {
    SyncState state;
    state.addPendingReadWatch("g1", 10, at("2026-12-06T10:00:00Z"));
    state.addPendingReadWatch("g1", 11, at("2026-12-06T11:00:00Z"));
    ASSERT_EQ(state.pendingReadWatches.size(), 1u);
    EXPECT_EQ(state.pendingReadWatches[0], (PendingReadWatch{"g1", 10, at("2026-12-06T10:00:00Z")}));
}

TEST(SyncStateWatches, TheWatchPastTheCapPushesOutTheOldest) {
    SyncState state;
    for (int i = 0; i <= static_cast<int>(SyncState::pendingReadWatchCap); ++i) {
        state.addPendingReadWatch("g" + std::to_string(i), i, at("2026-12-06T10:00:00Z"));
    }
    ASSERT_EQ(state.pendingReadWatches.size(), SyncState::pendingReadWatchCap);
    EXPECT_EQ(state.pendingReadWatches.front().guid, "g1");
    EXPECT_EQ(state.pendingReadWatches.back().guid, "g200");
}

TEST(SyncStateCoding, WritesKeysInOrderAndLeavesOutAnAbsentLastSyncAt) {
    SyncState state;
    state.lastRowID = 42;
    state.lifetimeSentCount = 7;
    state.lastReadDateRead = 3;
    state.lastReadRowID = 4;
    EXPECT_EQ(
        state.encode(),
        R"({"lastRowID":42,"lifetimeSentCount":7,"lastReadDateRead":3,"lastReadRowID":4,"pendingReadWatches":[]})");

    state.lastSyncAt = at("2026-12-06T11:35:11.123Z");
    state.addPendingReadWatch("g", 9, at("2026-12-06T11:00:00Z"));
    EXPECT_EQ(state.encode(),
              R"({"lastRowID":42,"lastSyncAt":"2026-12-06T11:35:11.123Z","lifetimeSentCount":7,)"
              R"("lastReadDateRead":3,"lastReadRowID":4,)"
              R"("pendingReadWatches":[{"guid":"g","rowID":9,"raisedAt":"2026-12-06T11:00:00.000Z"}]})");
    EXPECT_EQ(SyncState::decode(state.encode()), state);
}

TEST(SyncStateCoding, ReadsFilesFromBeforeLaterFieldsExisted) {
    const auto state = SyncState::decode(R"({"lifetimeSentCount":7,"lastRowID":42})");
    EXPECT_EQ(state.lastRowID, 42);
    EXPECT_EQ(state.lifetimeSentCount, 7);
    EXPECT_FALSE(state.lastSyncAt);
    EXPECT_EQ(state.lastReadDateRead, 0);
    EXPECT_EQ(state.lastReadRowID, 0);
    EXPECT_TRUE(state.pendingReadWatches.empty());
}

TEST(SyncStateCoding, AWatchWithoutRaisedAtGetsTheEarliestDateAndSurvivesARoundTrip) {
    const auto state = SyncState::decode(
        R"({"lastRowID":1,"lifetimeSentCount":0,"pendingReadWatches":[{"guid":"g","rowID":1}],"future":true})");
    ASSERT_EQ(state.pendingReadWatches.size(), 1u);
    EXPECT_LT(state.pendingReadWatches[0].raisedAt, at("1970-01-01T00:00:00Z"));
    EXPECT_EQ(SyncState::decode(state.encode()), state);
}

struct BadStateCase {
    const char* name;
    const char* text;
    const char* expectedError;
};

class SyncStateRejects : public ::testing::TestWithParam<BadStateCase> {};

TEST_P(SyncStateRejects, WithATypedErrorThatSaysWhy) {
    try {
        SyncState::decode(GetParam().text);
        FAIL() << "decoded";
    } catch (const SyncStateDecodingError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().expectedError), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SyncStateRejects,
    ::testing::Values(
        BadStateCase{"InvalidJson", "{not json", "Malformed JSON at byte"},
        BadStateCase{"TruncatedFile", R"({"lastRowID":42,"lifetimeSen)", "Malformed JSON at byte"},
        // Found by fuzzing: the JSON library reports an overflowing number with an exception of
        // another type, which escaped and stopped every sync tick instead of reading as corrupt.
        BadStateCase{"NumberOutOfRange", R"({"lastRowID":42e35815,"lifetimeSentCount":1})",
                     "Malformed JSON: a number is out of range"},
        BadStateCase{"TooDeeplyNested",
                     R"({"lastRowID":1,"lifetimeSentCount":1,"x":)"
                     "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[["
                     "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[}",
                     "JSON nested deeper than 128 levels"},
        BadStateCase{"NotAnObject", "[1,2]", "Expected an object for state.json, got array"},
        BadStateCase{"MissingLastRowID", R"({"lifetimeSentCount":1})",
                     "Missing value for key \"lastRowID\" of state.json"},
        BadStateCase{"MissingLifetimeCount", R"({"lastRowID":1})",
                     "Missing value for key \"lifetimeSentCount\" of state.json"},
        BadStateCase{"RowIDAsText", R"({"lastRowID":"1","lifetimeSentCount":1})",
                     "Expected an integer, got string"},
        BadStateCase{"BadDate", R"({"lastRowID":1,"lifetimeSentCount":1,"lastSyncAt":"yesterday"})",
                     "Expected an ISO 8601 date with a timezone offset, got \"yesterday\""},
        BadStateCase{"DateWithoutOffset",
                     R"({"lastRowID":1,"lifetimeSentCount":1,"lastSyncAt":"2026-12-06T11:35:11"})",
                     "Expected an ISO 8601 date with a timezone offset, got \"2026-12-06T11:35:11\""},
        BadStateCase{"WatchWithoutGuid",
                     R"({"lastRowID":1,"lifetimeSentCount":1,"pendingReadWatches":[{"rowID":1}]})",
                     "Missing value for key \"guid\" of state.json.pendingReadWatches[0]"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

}  // namespace
}  // namespace kindora
