#include "tools/chatdb/ArchivedStringBlob.hpp"

#include <string>

namespace kindora {

namespace {

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& bytes, std::string_view text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

void appendClassName(Bytes& bytes, std::string_view name) {
    bytes.push_back(static_cast<std::uint8_t>(name.size()));
    append(bytes, name);
}

// A typedstream integer: one byte when it fits, else a tag and a little-endian 16- or 32-bit value.
void appendInteger(Bytes& bytes, std::uint64_t value) {
    if (value < 0x80) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    } else if (value <= 0xFFFF) {
        bytes.push_back(0x81);
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    } else {
        bytes.push_back(0x82);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
        }
    }
}

void appendWideInteger(Bytes& bytes, std::uint64_t value) {
    bytes.push_back(0x82);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

std::uint64_t utf16Length(std::string_view text) {
    std::uint64_t units = 0;
    for (const char character : text) {
        const auto byte = static_cast<std::uint8_t>(character);
        if ((byte & 0xC0) != 0x80) {
            units += byte >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

Bytes header(ArchivedStringBlob::StringClass stringClass) {
    Bytes bytes{0x04, 0x0B};
    append(bytes, "streamtyped");
    append(bytes, "\x81\xE8\x03\x84\x01\x40\x84\x84\x84");
    appendClassName(bytes, "NSMutableAttributedString");
    append(bytes, std::string_view("\x00\x84\x84", 3));
    appendClassName(bytes, "NSAttributedString");
    append(bytes, std::string_view("\x00\x84\x84", 3));
    appendClassName(bytes, "NSObject");
    append(bytes, std::string_view("\x00\x85\x92\x84\x84\x84", 6));
    if (stringClass == ArchivedStringBlob::StringClass::mutableString) {
        appendClassName(bytes, "NSMutableString");
        append(bytes, "\x01\x84\x84");
    }
    appendClassName(bytes, "NSString");
    append(bytes, "\x01\x95\x84\x01\x2B");
    return bytes;
}

void appendAttributeRun(Bytes& bytes, std::string_view text) {
    append(bytes, "\x86\x84\x02iI\x01");
    appendInteger(bytes, utf16Length(text));
    append(bytes, "\x92\x84\x84\x84");
    appendClassName(bytes, "NSDictionary");
    append(bytes, std::string_view("\x00\x95\x84\x01i\x01\x92\x84\x98\x98", 10));
    appendClassName(bytes, "__kIMMessagePartAttributeName");
    append(bytes, "\x86\x92\x84\x84\x84");
    appendClassName(bytes, "NSNumber");
    append(bytes, std::string_view("\x00\x84\x84", 3));
    appendClassName(bytes, "NSValue");
    append(bytes, std::string_view("\x00\x95\x84\x01\x2A\x84\x9B\x9B\x00\x86\x86\x86", 12));
}

}  // namespace

std::vector<std::uint8_t> ArchivedStringBlob::make(std::string_view text, StringClass stringClass) {
    Bytes bytes = header(stringClass);
    appendInteger(bytes, text.size());
    append(bytes, text);
    appendAttributeRun(bytes, text);
    return bytes;
}

std::vector<std::uint8_t> ArchivedStringBlob::withWideLength(std::string_view text) {
    Bytes bytes = header(StringClass::mutableString);
    appendWideInteger(bytes, text.size());
    append(bytes, text);
    appendAttributeRun(bytes, text);
    return bytes;
}

std::vector<std::uint8_t> ArchivedStringBlob::truncated(std::string_view text) {
    Bytes bytes = header(StringClass::mutableString);
    appendInteger(bytes, text.size() + 40);
    append(bytes, text);
    return bytes;
}

std::vector<std::uint8_t> ArchivedStringBlob::keyedArchive(std::string_view text) {
    Bytes bytes;
    append(bytes, "bplist00");
    append(bytes, std::string_view("\xD4\x01\x02\x03\x04\x05\x06\x07\x0A", 9));
    append(bytes, "X$versionY$archiverT$topX$objects");
    append(bytes, "_NSKeyedArchiver");
    append(bytes, "NSAttributedString");
    append(bytes, "NSString");
    bytes.push_back(0x5F);
    appendInteger(bytes, text.size());
    append(bytes, text);
    return bytes;
}

}  // namespace kindora
