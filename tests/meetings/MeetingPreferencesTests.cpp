#include <gtest/gtest.h>

#include <string>

#include "core/common/InMemoryDefaults.hpp"
#include "core/meetings/MeetingLeadTime.hpp"
#include "core/meetings/UserDefaultsMeetingPreferencesStore.hpp"

namespace kindora {
namespace {

using Store = UserDefaultsMeetingPreferencesStore;

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
