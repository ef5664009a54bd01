#include "core/update/Version.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "core/update/UpdateError.hpp"

namespace kindora {
namespace {

constexpr std::size_t maximumComponents = 8;
// Keeps every component and marker number well inside 64 bits.
constexpr std::size_t maximumDigits = 18;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isMarkerCharacter(char c) {
    return isDigit(c) || isLetter(c) || c == '.' || c == '-';
}

[[noreturn]] void refuse(std::string_view text, const std::string& reason) {
    const std::string shown = text.size() <= Version::maximumLength ? std::string(text) : std::string();
    throw UpdateError(UpdateError::Kind::invalidVersion,
                      (shown.empty() ? std::string("The version") : "The version \"" + shown + "\"") +
                          " is not valid: " + reason + ".");
}

std::uint64_t numberFrom(std::string_view digits) {
    std::uint64_t value = 0;
    for (const char c : digits) {
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

// Known pre-release words in release order; others come after them.
int rankOf(const std::string& word) {
    static constexpr std::array<std::pair<std::string_view, int>, 8> ranks{
        {{"dev", 0}, {"a", 1}, {"alpha", 1}, {"b", 2}, {"beta", 2}, {"pre", 3}, {"preview", 3}, {"rc", 4}}};
    for (const auto& [name, rank] : ranks) {
        if (word == name) {
            return rank;
        }
    }
    return 5;
}

}  // namespace

Version::Version() : text_("0"), components_{0} {}

Version Version::parse(std::string_view text) {
    if (text.empty()) {
        refuse(text, "it is empty");
    }
    if (text.size() > maximumLength) {
        refuse(text, "it is longer than " + std::to_string(maximumLength) + " characters");
    }
    Version version;
    version.text_ = std::string(text);

    std::size_t at = 0;
    for (;;) {
        const std::size_t start = at;
        while (at < text.size() && isDigit(text[at])) {
            ++at;
        }
        if (at == start) {
            refuse(text, "a number is missing where one is expected");
        }
        if (at - start > maximumDigits) {
            refuse(text, "a number has more than " + std::to_string(maximumDigits) + " digits");
        }
        if (version.components_.size() == maximumComponents) {
            refuse(text, "it has more than " + std::to_string(maximumComponents) + " numbers");
        }
        version.components_.push_back(numberFrom(text.substr(start, at - start)));
        if (at < text.size() && text[at] == '.' && at + 1 < text.size() && isDigit(text[at + 1])) {
            ++at;
            continue;
        }
        break;
    }

    std::string_view marker;
    if (at < text.size() && text[at] != '+') {
        std::size_t markerStart = at;
        if (text[at] == '-' || text[at] == '~' || text[at] == '.') {
            ++markerStart;
        } else if (!isLetter(text[at])) {
            refuse(text, std::string("unexpected character '") + text[at] + "'");
        }
        std::size_t markerEnd = markerStart;
        while (markerEnd < text.size() && text[markerEnd] != '+') {
            if (!isMarkerCharacter(text[markerEnd])) {
                refuse(text, "the pre-release marker may hold only letters, digits, dots and hyphens");
            }
            ++markerEnd;
        }
        marker = text.substr(markerStart, markerEnd - markerStart);
        if (marker.empty()) {
            refuse(text, "the pre-release marker is empty");
        }
        at = markerEnd;
    }
    if (at < text.size()) {
        // Build text after '+': checked for its characters only.
        const std::string_view build = text.substr(at + 1);
        if (build.empty() || !std::all_of(build.begin(), build.end(), isMarkerCharacter)) {
            refuse(text, "the build text after '+' may hold only letters, digits, dots and hyphens");
        }
    }

    // Split the marker at dots, hyphens, and wherever letters and digits meet.
    std::size_t i = 0;
    while (i < marker.size()) {
        if (marker[i] == '.' || marker[i] == '-') {
            if (i == 0 || i + 1 == marker.size() || marker[i + 1] == '.' || marker[i + 1] == '-') {
                refuse(text, "the pre-release marker has an empty part");
            }
            ++i;
            continue;
        }
        const bool digits = isDigit(marker[i]);
        const std::size_t start = i;
        while (i < marker.size() && marker[i] != '.' && marker[i] != '-' && isDigit(marker[i]) == digits) {
            ++i;
        }
        Identifier identifier;
        identifier.isNumber = digits;
        if (digits) {
            if (i - start > maximumDigits) {
                refuse(text, "a number has more than " + std::to_string(maximumDigits) + " digits");
            }
            identifier.number = numberFrom(marker.substr(start, i - start));
        } else {
            identifier.word.reserve(i - start);
            for (const char c : marker.substr(start, i - start)) {
                identifier.word.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
            }
        }
        version.preRelease_.push_back(std::move(identifier));
    }
    return version;
}

std::strong_ordering Version::compare(const Identifier& lhs, const Identifier& rhs) {
    if (lhs.isNumber != rhs.isNumber) {
        return lhs.isNumber ? std::strong_ordering::less : std::strong_ordering::greater;
    }
    if (lhs.isNumber) {
        return lhs.number <=> rhs.number;
    }
    if (const auto byRank = rankOf(lhs.word) <=> rankOf(rhs.word); byRank != 0) {
        return byRank;
    }
    return lhs.word.compare(rhs.word) <=> 0;
}

std::strong_ordering operator<=>(const Version& lhs, const Version& rhs) {
    const std::size_t count = std::max(lhs.components_.size(), rhs.components_.size());
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t left = i < lhs.components_.size() ? lhs.components_[i] : 0;
        const std::uint64_t right = i < rhs.components_.size() ? rhs.components_[i] : 0;
        if (left != right) {
            return left <=> right;
        }
    }
    // A release comes after every pre-release of the same numbers.
    if (lhs.preRelease_.empty() != rhs.preRelease_.empty()) {
        return lhs.preRelease_.empty() ? std::strong_ordering::greater : std::strong_ordering::less;
    }
    const std::size_t shared = std::min(lhs.preRelease_.size(), rhs.preRelease_.size());
    for (std::size_t i = 0; i < shared; ++i) {
        if (const auto order = Version::compare(lhs.preRelease_[i], rhs.preRelease_[i]); order != 0) {
            return order;
        }
    }
    return lhs.preRelease_.size() <=> rhs.preRelease_.size();
}

}  // namespace kindora
