#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kindora {

// One HTTP request as the backend client builds it: the absolute URL, the method, the exact headers to
// send (in order) and the body bytes, if any.
struct HTTPRequest {
    std::string method;
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    std::optional<std::string> body;
    // A cap of this request's own on the answer's body, in place of the transport's (the updater's
    // small feed and large package); a longer answer is refused without being buffered.
    std::optional<std::size_t> maximumBodyBytes;
};

}  // namespace kindora
