#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kindora {

// A release's version: numeric components ("1", "1.2", "1.10.3") and an optional pre-release marker
// ("1.2-beta.2", "1.2b2", "1.2~rc1", "1.3.0-dev"), optionally followed by "+build" text that takes no
// part in ordering. Missing trailing components count as zero (1.2 == 1.2.0); components compare as
// numbers (1.10 > 1.9); a pre-release comes before its release (1.2-rc1 < 1.2), and markers order
// dev < alpha (a) < beta (b) < pre < rc, with numbers inside a marker compared as numbers
// (beta2 < beta10). Other marker words compare alphabetically, after those.
class Version {
public:
    // Longer strings are refused before they are looked at.
    static constexpr std::size_t maximumLength = 64;

    // The version "0", older than any release.
    Version();

    // Throws UpdateError::Kind::invalidVersion with the reason.
    static Version parse(std::string_view text);

    const std::string& text() const { return text_; }
    bool isPreRelease() const { return !preRelease_.empty(); }

    friend std::strong_ordering operator<=>(const Version& lhs, const Version& rhs);
    friend bool operator==(const Version& lhs, const Version& rhs) {
        return (lhs <=> rhs) == std::strong_ordering::equal;
    }

private:
    // One piece of a pre-release marker: a number or a word (lower-cased).
    struct Identifier {
        bool isNumber = false;
        std::uint64_t number = 0;
        std::string word;
    };

    static std::strong_ordering compare(const Identifier& lhs, const Identifier& rhs);

    std::string text_;
    std::vector<std::uint64_t> components_;
    std::vector<Identifier> preRelease_;
};

}  // namespace kindora
