#include <gtest/gtest.h>

#include <string>

#include "core/common/InMemoryDefaults.hpp"
#include "core/meetings/MeetingLeadTime.hpp"
#include "core/meetings/UserDefaultsMeetingPreferencesStore.hpp"

namespace kindora {
namespace {

using Store = UserDefaultsMeetingPreferencesStore;

struct LeadTimeRow {
    MeetingLeadTime leadTime;
    double seconds;
    const char* label;
    const char* stored;
};

TEST(MeetingLeadTime, EachCaseHasItsSecondsLabelAndStoredValueInPickerOrder) {
    const LeadTimeRow rows[] = {
        {MeetingLeadTime::fifteenMinutes, 900, "15 minutes", "fifteenMinutes"},
        {MeetingLeadTime::fiveMinutes, 300, "5 minutes", "fiveMinutes"},
        {MeetingLeadTime::oneMinute, 60, "1 minute", "oneMinute"},
        {MeetingLeadTime::atStart, 0, "At start", "atStart"},
    };
    ASSERT_EQ(allMeetingLeadTimes.size(), std::size(rows));
    for (std::size_t index = 0; index < std::size(rows); ++index) {
        const auto& row = rows[index];
        SCOPED_TRACE(row.stored);
        EXPECT_EQ(allMeetingLeadTimes[index], row.leadTime);
        EXPECT_EQ(seconds(row.leadTime), row.seconds);
        EXPECT_EQ(label(row.leadTime), row.label);
        EXPECT_EQ(storedValue(row.leadTime), row.stored);
        EXPECT_EQ(meetingLeadTimeFromStoredValue(row.stored), row.leadTime);
    }
    EXPECT_EQ(meetingLeadTimeFromStoredValue("FiveMinutes"), std::nullopt);
    EXPECT_EQ(meetingLeadTimeFromStoredValue(""), std::nullopt);
}

TEST(UserDefaultsMeetingPreferencesStore, AFreshDomainLoadsTheDefaults) {
    InMemoryDefaults defaults;
    const auto loaded = Store(defaults).load();
    EXPECT_FALSE(loaded.isDisruptEnabled);
    EXPECT_EQ(loaded.leadTime, MeetingLeadTime::oneMinute);
    EXPECT_FALSE(loaded.isAutoJoinEnabled);
    EXPECT_FALSE(loaded.isPresenceSuppressionEnabled);
}

TEST(UserDefaultsMeetingPreferencesStore, AnUnknownLeadTimeLoadsAsOneMinuteAndKeepsTheOtherFields) {
    for (const char* text : {"tenMinutes", "", "300", "ATSTART"}) {
        SCOPED_TRACE(text);
        InMemoryDefaults defaults;
        defaults.setString(Store::leadTimeKey, text);
        defaults.setBool(Store::disruptEnabledKey, true);
        const auto loaded = Store(defaults).load();
        EXPECT_EQ(loaded.leadTime, MeetingLeadTime::oneMinute);
        EXPECT_TRUE(loaded.isDisruptEnabled);
    }
}

TEST(UserDefaultsMeetingPreferencesStore, SavedPreferencesLoadBackEqualUnderTheFourKeys) {
    InMemoryDefaults defaults;
    Store store(defaults);
    for (const auto leadTime : allMeetingLeadTimes) {
        const MeetingPreferences saved{true, leadTime, leadTime == MeetingLeadTime::fiveMinutes,
                                       leadTime == MeetingLeadTime::atStart};
        store.save(saved);
        EXPECT_EQ(store.load(), saved);
        EXPECT_EQ(Store(defaults).load(), saved);
    }
    store.save(MeetingPreferences{false, MeetingLeadTime::fifteenMinutes, true, false});
    EXPECT_EQ(defaults.boolValue("com.quillmere.kindora.meetingDisrupt.enabled"), false);
    EXPECT_EQ(defaults.stringValue("com.quillmere.kindora.meetingDisrupt.leadTime"), "fifteenMinutes");
    EXPECT_EQ(defaults.boolValue("com.quillmere.kindora.meetingDisrupt.autoJoinEnabled"), true);
    EXPECT_EQ(defaults.boolValue("com.quillmere.kindora.meetingDisrupt.presenceSuppressionEnabled"), false);
}

}  // namespace
}  // namespace kindora
