#include <gtest/gtest.h>

#include "core/common/InMemoryDefaults.hpp"
#include "core/common/JsonDate.hpp"
#include "core/interrupts/DoNotDisturbPreset.hpp"
#include "core/interrupts/UserDefaultsDoNotDisturbStore.hpp"

namespace kindora {
namespace {

const Date someDate = JsonDate::decode("2026-12-07T09:30:00.000Z");
const Date otherDate = JsonDate::decode("2026-12-07T11:00:00.000Z");

class UserDefaultsDoNotDisturbStoreTest : public ::testing::Test {
protected:
    InMemoryDefaults defaults;
    const std::string key{UserDefaultsDoNotDisturbStore::key};
    const std::string legacyKey{UserDefaultsDoNotDisturbStore::legacyKey};
};

TEST_F(UserDefaultsDoNotDisturbStoreTest, KeepsTheEndAsDateTextUnderItsKey) {
    UserDefaultsDoNotDisturbStore store(defaults);
    EXPECT_EQ(store.loadUntil(), std::nullopt);
    store.saveUntil(someDate);
    EXPECT_EQ(defaults.stringValue("com.quillmere.kindora.doNotDisturb.until"), "2026-12-07T09:30:00.000Z");
    EXPECT_EQ(store.loadUntil(), someDate);
    store.saveUntil(std::nullopt);
    EXPECT_FALSE(defaults.contains(key));
    EXPECT_EQ(store.loadUntil(), std::nullopt);
}

TEST_F(UserDefaultsDoNotDisturbStoreTest, AValueThatIsNotADateReadsAsAbsent) {
    defaults.setString(key, "tomorrow-ish");
    EXPECT_EQ(UserDefaultsDoNotDisturbStore(defaults).loadUntil(), std::nullopt);
    defaults.setBool(key, true);
    EXPECT_EQ(UserDefaultsDoNotDisturbStore(defaults).loadUntil(), std::nullopt);
}

TEST_F(UserDefaultsDoNotDisturbStoreTest, MovesADateFoundOnlyUnderTheFormerKey) {
    defaults.setDate("com.kindora.doNotDisturb.until", someDate);
    UserDefaultsDoNotDisturbStore store(defaults);
    EXPECT_EQ(defaults.dateValue(key), someDate);
    EXPECT_FALSE(defaults.contains(legacyKey));
    EXPECT_EQ(store.loadUntil(), someDate);
}

TEST_F(UserDefaultsDoNotDisturbStoreTest, TheCurrentKeyWinsOverTheFormerOneWhichIsRemoved) {
    defaults.setDate(key, someDate);
    defaults.setDate(legacyKey, otherDate);
    UserDefaultsDoNotDisturbStore store(defaults);
    EXPECT_EQ(store.loadUntil(), someDate);
    EXPECT_FALSE(defaults.contains(legacyKey));
}

TEST_F(UserDefaultsDoNotDisturbStoreTest, AFormerValueThatIsNotADateIsDroppedWithoutMigrating) {
    defaults.setString(legacyKey, "not a date");
    UserDefaultsDoNotDisturbStore store(defaults);
    EXPECT_FALSE(defaults.contains(key));
    EXPECT_FALSE(defaults.contains(legacyKey));
}

}  // namespace
}  // namespace kindora
