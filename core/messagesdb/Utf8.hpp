#pragma once

#include <string>
#include <string_view>

// UTF-8 checks shared by the database reader and the blob decoder.
namespace kindora::Utf8 {

// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValid(std::string_view bytes);

// `bytes` with every ill-formed sequence replaced by U+FFFD, one per maximal ill-formed subpart.
std::string repairing(std::string_view bytes);

}  // namespace kindora::Utf8
