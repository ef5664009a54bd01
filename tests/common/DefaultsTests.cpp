#include <gtest/gtest.h>

#include "core/common/InMemoryDefaults.hpp"
#include "core/common/JsonDate.hpp"

namespace kindora {
namespace {

TEST(InMemoryDefaults, KeepsBoolsStringsAndDatesByKey) {
    InMemoryDefaults defaults;
    EXPECT_FALSE(defaults.boolValue("com.quillmere.kindora.flag"));
    defaults.setBool("com.quillmere.kindora.flag", true);
    defaults.setString("com.quillmere.kindora.name", "value");
    const Date date = JsonDate::decode("2026-12-07T09:30:00.250Z");
    defaults.setDate("com.quillmere.kindora.until", date);
    EXPECT_EQ(defaults.boolValue("com.quillmere.kindora.flag"), true);
    EXPECT_EQ(defaults.stringValue("com.quillmere.kindora.name"), "value");
    EXPECT_EQ(defaults.stringValue("com.quillmere.kindora.until"), "2026-12-07T09:30:00.250Z");
    EXPECT_EQ(defaults.dateValue("com.quillmere.kindora.until"), date);
    defaults.remove("com.quillmere.kindora.flag");
    EXPECT_FALSE(defaults.boolValue("com.quillmere.kindora.flag"));
}

TEST(InMemoryDefaults, AValueOfAnotherKindReadsAsAbsent) {
    InMemoryDefaults defaults;
    defaults.setString("key", "not a date");
    EXPECT_FALSE(defaults.boolValue("key"));
    EXPECT_FALSE(defaults.dateValue("key"));
    defaults.setBool("key", true);
    EXPECT_FALSE(defaults.stringValue("key"));
}

}  // namespace
}  // namespace kindora
