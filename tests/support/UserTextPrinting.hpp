#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "core/common/UserText.hpp"

namespace kindora {

// Texts for a person are compared and shown in tests by their English.
inline std::optional<std::string> englishOf(const std::optional<UserText>& text) {
    return text ? std::optional<std::string>(text->english()) : std::nullopt;
}

inline void PrintTo(const UserText& text, std::ostream* out) {
    *out << '"' << text.english() << '"';
}

}  // namespace kindora
