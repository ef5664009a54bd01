#pragma once

#include <string_view>

namespace kindora {

// True when `text` is well-formed UTF-8: no stray or truncated sequences, no overlong forms, no
// encoded UTF-16 surrogates and nothing above U+10FFFF.
bool isValidUtf8(std::string_view text);

}  // namespace kindora
