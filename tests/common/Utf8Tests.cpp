#include "core/common/Utf8.hpp"

#include <gtest/gtest.h>

namespace kindora {
namespace {

struct RepairCase {
    const char* name;
    std::string input;
    std::string repaired;
};

TEST(Utf8, RepairReplacesEachIllFormedSubpartWithOneReplacementCharacter) {
    const std::string fffd = "\xEF\xBF\xBD";
    const RepairCase cases[] = {
        {"plain ASCII", "hello", "hello"},
        {"well-formed multi-byte", "żółw 日本 👍", "żółw 日本 👍"},
        {"Latin-1 byte", "caf\xE9!", "caf" + fffd + "!"},
        {"lone continuation byte", "a\x80z", "a" + fffd + "z"},
        {"torn four-byte sequence", "x\xF0\x9F\x98y", "x" + fffd + "y"},
        {"torn sequence at the end", "x\xE6\x97", "x" + fffd},
        {"overlong slash", "\xC0\xAF", fffd + fffd},
        {"overlong three-byte form", "\xE0\x80\x80", fffd + fffd + fffd},
        {"surrogate", "\xED\xA0\x80", fffd + fffd + fffd},
        {"past U+10FFFF", "\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},
        {"bytes never used", "\xFE\xFF", fffd + fffd},
        {"highest scalar value", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        {"empty", "", ""},
        // Long ASCII runs are skipped a word at a time; a bad byte on either side of a word edge.
        {"bad byte after a word of ASCII", std::string(8, 'a') + "\x80" + std::string(9, 'b'),
         std::string(8, 'a') + fffd + std::string(9, 'b')},
        {"bad byte inside the second word", std::string(13, 'a') + "\xE9" + std::string(2, 'b'),
         std::string(13, 'a') + fffd + "bb"},
        {"torn sequence after long ASCII", std::string(16, 'a') + "\xF0\x9F", std::string(16, 'a') + fffd},
        {"well-formed text between ASCII words", std::string(9, 'a') + "日本" + std::string(8, 'b'),
         std::string(9, 'a') + "日本" + std::string(8, 'b')},
    };
    for (const RepairCase& repair : cases) {
        EXPECT_EQ(Utf8::repairing(repair.input), repair.repaired) << repair.name;
        EXPECT_EQ(Utf8::isValid(repair.input), repair.input == repair.repaired) << repair.name;
        EXPECT_TRUE(Utf8::isValid(Utf8::repairing(repair.input))) << repair.name;
    }
}

}  // namespace
}  // namespace kindora
