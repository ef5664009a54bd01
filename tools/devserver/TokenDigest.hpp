#pragma once

#include <string>
#include <string_view>

namespace kindora::devserver {

// The household keeps only the SHA-256 of each device token, so that neither its state file nor its
// admin answers can give a token away.
namespace TokenDigest {

// 64 lower-case hex digits.
std::string of(std::string_view token);

}  // namespace TokenDigest
}  // namespace kindora::devserver
