// Feeds arbitrary text to the URL splitter. Parts it gives must put together again into a URL that
// splits to the same parts, and the host must never hold what could end an authority.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/common/UrlParts.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kindora;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parts = splitUrl(text);
    if (!parts) {
        return 0;
    }
    if (parts->host.empty() || parts->host.find_first_of("/?#@\\% ") != std::string::npos) {
        __builtin_trap();
    }
    std::string joined = parts->scheme + "://";
    if (parts->userinfo) {
        joined += *parts->userinfo + "@";
    }
    joined += parts->host;
    if (parts->port) {
        joined += ":" + std::to_string(*parts->port);
    }
    joined += parts->rest;
    if (splitUrl(joined) != parts) {
        __builtin_trap();
    }
    return 0;
}
