#include "core/messagesdb/AttributedBodyDecoder.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/chatdb/ArchivedStringBlob.hpp"
#include "tools/chatdb/SeededRandom.hpp"

namespace kindora {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::optional<std::string> decode(const Bytes& bytes) {
    return AttributedBodyDecoder::decode(std::optional(bytes));
}

TEST(AttributedBodyDecoder, AbsentOrEmptyBytesGiveNothing) {
    EXPECT_EQ(AttributedBodyDecoder::decode(std::optional<Bytes>{}), std::nullopt);
    EXPECT_EQ(decode({}), std::nullopt);
}

struct ScanCase {
    const char* name;
    Bytes blob;
    std::optional<std::string> expected;
};

std::vector<ScanCase> scanCases() {
    const Bytes marker = bytesOf("streamtyped");
    const Bytes nsString = bytesOf("NSString");
    const Bytes nsMutableString = bytesOf("NSMutableString");
    const Bytes value{0x01, 0x2B};
    const std::string threeHundred(300, 'x');
    return {
        {"one-byte length", concat({marker, nsString, value, {0x05}, bytesOf("Hello")}), "Hello"},
        {"0x81 and a 16-bit little-endian length",
         concat({marker, nsString, value, {0x81, 0x2C, 0x01}, bytesOf(threeHundred)}), threeHundred},
        {"mutable string wins over an earlier NSString",
         concat({marker,
                 nsString,
                 value,
                 {0x03},
                 bytesOf("bad"),
                 nsMutableString,
                 value,
                 {0x04},
                 bytesOf("good")}),
         "good"},
        {"127 is still a one-byte length", concat({marker, nsString, value, {0x7F}, Bytes(127, 'a')}),
         std::string(127, 'a')},
        {"length byte 0x82 is not read",
         concat({marker, nsString, value, {0x82, 0x05, 0, 0, 0}, bytesOf("Hello")}), std::nullopt},
        {"length byte 0x80 is not read", concat({marker, nsString, value, {0x80}, bytesOf("Hello")}),
         std::nullopt},
        {"length past the end", concat({marker, nsString, value, {0x06}, bytesOf("Hello")}), std::nullopt},
        {"16-bit length past the end", concat({marker, nsString, value, {0x81, 0x00, 0x01}, bytesOf("Hi")}),
         std::nullopt},
        {"16-bit length cut short", concat({marker, nsString, value, {0x81, 0x05}}), std::nullopt},
        {"zero length", concat({marker, nsString, value, {0x00}, bytesOf("x")}), std::nullopt},
        {"nothing after the value marker", concat({marker, nsString, value}), std::nullopt},
        {"no value marker", concat({marker, nsString, {0x05}, bytesOf("Hello")}), std::nullopt},
        {"no class name", concat({marker, value, {0x05}, bytesOf("Hello")}), std::nullopt},
        {"class name only before the archive marker",
         concat({nsString, marker, value, {0x05}, bytesOf("Hello")}), std::nullopt},
        {"no archive marker", concat({nsString, value, {0x05}, bytesOf("Hello")}), std::nullopt},
        {"value marker only before the class name",
         concat({marker, value, nsString, {0x05}, bytesOf("Hello")}), std::nullopt},
        {"invalid UTF-8", concat({marker, nsString, value, {0x03, 'a', 0xC3, 'b'}}), std::nullopt},
        {"a surrogate encoded in UTF-8", concat({marker, nsString, value, {0x03, 0xED, 0xA0, 0x80}}),
         std::nullopt},
        {"multi-byte text", concat({marker, nsString, value, {0x07}, bytesOf("żółw")}), "żółw"},
        {"partial marker at the very end", concat({marker, nsString, {0x01}}), std::nullopt},
        {"the markers overlap the end", bytesOf("streamtype"), std::nullopt},
    };
}

TEST(AttributedBodyDecoder, ByteScanReadsTheFirstStringValueAfterTheClassName) {
    for (const ScanCase& scan : scanCases()) {
        EXPECT_EQ(decode(scan.blob), scan.expected) << scan.name;
    }
}

TEST(AttributedBodyDecoder, ReadsWhatTheGeneratorArchivesAcrossTheLengthForms) {
    for (const std::size_t length : {1UL, 127UL, 128UL, 300UL, 10001UL, 65535UL}) {
        const std::string text(length, 'q');
        EXPECT_EQ(decode(ArchivedStringBlob::make(text)), text) << length;
        EXPECT_EQ(decode(ArchivedStringBlob::make(text, ArchivedStringBlob::StringClass::plainString)), text)
            << length;
    }
    // Texts the two short length forms cannot describe, and blobs only a full decoder could read.
    EXPECT_EQ(decode(ArchivedStringBlob::make(std::string(65536, 'q'))), std::nullopt);
    EXPECT_EQ(decode(ArchivedStringBlob::withWideLength("short")), std::nullopt);
    EXPECT_EQ(decode(ArchivedStringBlob::truncated("cut off")), std::nullopt);
    EXPECT_EQ(decode(ArchivedStringBlob::keyedArchive("keyed")), std::nullopt);
    EXPECT_EQ(decode(ArchivedStringBlob::make("")), std::nullopt);
}

TEST(AttributedBodyDecoder, EveryTruncationOfARealLayoutGivesTheTextOrNothing) {
    const std::string text = "A message long enough to be cut in many places ✓";
    const Bytes whole = ArchivedStringBlob::make(text);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        // A copy of exactly `size` bytes, so that AddressSanitizer sees any read past it.
        const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        const std::optional<std::string> decoded = decode(prefix);
        if (decoded) {
            EXPECT_EQ(*decoded, text) << size;
        }
    }
}

TEST(AttributedBodyDecoder, RandomlyDamagedBlobsNeverGiveInvalidText) {
    SeededRandom random(2026);
    const Bytes original = ArchivedStringBlob::make("Pick-up moved to four");
    for (int round = 0; round < 20000; ++round) {
        Bytes damaged = original;
        const auto flips = random.between(1, 4);
        for (std::int64_t flip = 0; flip < flips; ++flip) {
            damaged[random.below(damaged.size())] = static_cast<std::uint8_t>(random.below(256));
        }
        damaged.resize(random.below(damaged.size() + 1));
        const std::optional<std::string> decoded = decode(damaged);
        if (decoded) {
            EXPECT_FALSE(decoded->empty());
            EXPECT_LE(decoded->size(), damaged.size());
        }
    }
}

// The real samples live beside the project, not in it; without them there is nothing to compare.
std::filesystem::path samplesDirectory() {
    return std::filesystem::path(KINDORA_SHARED_FIXTURES) / "typedstream";
}

Bytes readFile(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

std::string unescape(std::string_view text) {
    std::string plain;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] != '\\' || index + 1 == text.size()) {
            plain += text[index];
            continue;
        }
        const char escaped = text[++index];
        plain += escaped == 'n' ? '\n' : escaped == 'r' ? '\r' : escaped == 't' ? '\t' : escaped;
    }
    return plain;
}

TEST(AttributedBodyDecoder, RealSamplesGiveTheirExpectedText) {
    const std::filesystem::path directory = samplesDirectory();
    if (!std::filesystem::exists(directory / "expected.tsv")) {
        GTEST_SKIP() << "no real samples at " << directory;
    }
    std::ifstream expected(directory / "expected.tsv");
    std::string line;
    int samples = 0;
    while (std::getline(expected, line)) {
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        const std::size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        const std::string file = line.substr(0, tab);
        EXPECT_EQ(decode(readFile(directory / file)), unescape(std::string_view(line).substr(tab + 1)))
            << file;
        ++samples;
    }
    EXPECT_GT(samples, 0);
}

TEST(AttributedBodyDecoder, RealSamplesWithoutTextGiveNothing) {
    const std::filesystem::path directory = samplesDirectory();
    if (!std::filesystem::exists(directory / "no-text.txt")) {
        GTEST_SKIP() << "no real samples at " << directory;
    }
    std::ifstream list(directory / "no-text.txt");
    std::string file;
    int samples = 0;
    while (std::getline(list, file)) {
        if (file.empty() || file.starts_with('#')) {
            continue;
        }
        const Bytes blob = readFile(directory / file);
        ASSERT_FALSE(blob.empty()) << file;
        EXPECT_EQ(decode(blob), std::nullopt) << file;
        ++samples;
    }
    EXPECT_GT(samples, 0);
}

}  // namespace
}  // namespace kindora
