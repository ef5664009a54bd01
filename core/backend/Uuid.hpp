#pragma once

#include <compare>
#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace kindora {

// A UUID in its canonical 36-character hyphenated form. Any letter case is accepted when reading;
// the text is always kept and written in lower case (the form the alert paths use).
class Uuid {
public:
    // The UUID of a canonical text, or nothing when the text is not one.
    static std::optional<Uuid> parse(std::string_view text);
    // Like parse(), but throws std::invalid_argument for a text that is not a UUID.
    static Uuid fromString(std::string_view text);
    // A new random (version 4) UUID.
    static Uuid random();
    // "00000000-0000-0000-0000-000000000000", the value of records not yet filled in.
    static Uuid nil() { return Uuid(std::string("00000000-0000-0000-0000-000000000000")); }

    const std::string& text() const { return text_; }

    friend bool operator==(const Uuid&, const Uuid&) = default;
    friend std::strong_ordering operator<=>(const Uuid&, const Uuid&) = default;

private:
    explicit Uuid(std::string lowerCaseText) : text_(std::move(lowerCaseText)) {}

    std::string text_;
};

}  // namespace kindora

template <>
struct std::hash<kindora::Uuid> {
    std::size_t operator()(const kindora::Uuid& uuid) const noexcept {
        return std::hash<std::string>{}(uuid.text());
    }
};
