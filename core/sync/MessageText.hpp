#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kindora::MessageText {

// Message text as the sync engine forwards it: valid UTF-8, at most a given number of user-perceived
// characters (extended grapheme clusters, so an emoji with its modifiers counts once and is never cut
// in half).

// The number of extended grapheme clusters in valid UTF-8 `text`.
std::size_t characterCount(std::string_view text);

// The first `limit` extended grapheme clusters of valid UTF-8 `text`.
std::string prefix(std::string_view text, std::size_t limit);

}  // namespace kindora::MessageText
