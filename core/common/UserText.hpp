#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Phrase.hpp"

namespace kindora {

// A text for a person, kept as what it says rather than as an English sentence: a phrase with the
// values it names (each itself a text), or a value from elsewhere (the backend's own message, a
// system error) that is shown as it stands. Front ends word it in the person's language; the logs and
// the console print `english()`.
class UserText {
public:
    // The phrase with its values in the order of %1, %2, ...
    UserText(Phrase phrase, std::vector<UserText> arguments = {});
    // A plural phrase: `count` fills %n and chooses the grammatical number.
    static UserText counted(Phrase phrase, std::int64_t count, std::vector<UserText> arguments = {});
    // A text the agent did not write, shown as it stands and never translated.
    static UserText verbatim(std::string text);

    // Nothing for a verbatim text.
    const std::optional<Phrase>& phrase() const { return phrase_; }
    const std::optional<std::int64_t>& count() const { return count_; }
    const std::vector<UserText>& arguments() const { return arguments_; }
    // The text of a verbatim value; empty for a phrase.
    const std::string& verbatimText() const { return verbatim_; }

    // The text in the agent's source language, with every value in place.
    std::string english() const;

    friend bool operator==(const UserText&, const UserText&) = default;

private:
    UserText() = default;

    std::optional<Phrase> phrase_;
    std::optional<std::int64_t> count_;
    std::vector<UserText> arguments_;
    std::string verbatim_;
};

// Replaces %1 to %9 in `pattern` with the matching argument, in one pass, so that a value holding "%2"
// is never filled in again; a placeholder without an argument stays as it is.
std::string fillPlaceholders(std::string_view pattern, const std::vector<std::string>& arguments);

}  // namespace kindora
