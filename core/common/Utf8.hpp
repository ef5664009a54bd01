#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The one UTF-8 check of the agent: the database reader, the blob decoder, the message mapper and
// the credential store all use it.
namespace kindora::Utf8 {

// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValid(std::string_view bytes);

// `bytes` with every ill-formed sequence replaced by U+FFFD, one per maximal ill-formed subpart.
std::string repairing(std::string_view bytes);

// The number of code points in well-formed UTF-8 `text` (its bytes that do not continue a sequence).
std::size_t codePointCount(std::string_view text);

}  // namespace kindora::Utf8
