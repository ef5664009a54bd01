#include "core/sync/MessageText.hpp"

#include <gtest/gtest.h>

namespace kindora {
namespace {

std::string repeated(std::string_view unit, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text.append(unit);
    }
    return text;
}

struct CountCase {
    const char* name;
    std::string text;
    std::size_t characters;
};

class MessageTextCounts : public ::testing::TestWithParam<CountCase> {};

TEST_P(MessageTextCounts, UserPerceivedCharacters) {
    EXPECT_EQ(MessageText::characterCount(GetParam().text), GetParam().characters);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageTextCounts,
    ::testing::Values(CountCase{"Empty", "", 0}, CountCase{"Ascii", "hello", 5},
                      CountCase{"Accented", "caf\xC3\xA9", 4}, CountCase{"CombiningMark", "e\xCC\x81", 1},
                      CountCase{"SkinToneEmoji", "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", 1},
                      CountCase{"FamilyZwjSequence",
                                "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D"
                                "\xF0\x9F\x91\xA7",
                                1},
                      CountCase{"FlagPair", "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7", 1},
                      CountCase{"CrLf", "\r\n", 1}, CountCase{"AsciiLinesEndingInCrLfAndCr", "a\r\nb\r\r\n\n", 6},
                      CountCase{"AsciiThenEmoji", "ok \xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD\r\n", 5}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(MessageTextPrefix, CutsAtCharactersNotBytes) {
    const std::string thumbs = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";  // 8 bytes, one character
    const std::string text = repeated(thumbs, 10001);
    const std::string cut = MessageText::prefix(text, 10000);
    EXPECT_EQ(cut, repeated(thumbs, 10000));
    EXPECT_EQ(MessageText::prefix(repeated("a", 10000), 10000).size(), 10000u);
    EXPECT_EQ(MessageText::prefix("short", 10000), "short");
    // CR LF is one character, and never cut in two.
    EXPECT_EQ(MessageText::prefix(repeated("a\r\n", 5000), 3), "a\r\na");
    EXPECT_EQ(MessageText::prefix(repeated("ab\r\n", 5000), 3), "ab\r\n");
    EXPECT_EQ(MessageText::prefix(repeated("a", 9999) + "\r\n", 10000), repeated("a", 9999) + "\r\n");
}

}  // namespace
}  // namespace kindora
