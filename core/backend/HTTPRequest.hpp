#pragma once

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
};

}  // namespace kindora
