#pragma once

#include <string>

namespace kindora {

// The status code and body bytes of an HTTP answer, whatever the status.
struct HTTPResponse {
    int status = 0;
    std::string body;
};

}  // namespace kindora
