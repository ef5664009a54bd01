#include "core/backend/BackendEnvironment.hpp"

#include <cstdlib>

#include "core/backend/BackendOrigin.hpp"
#include "core/common/Log.hpp"
#include "core/common/UrlParts.hpp"

namespace kindora::BackendEnvironment {
namespace {

// A DNS name as an origin may carry it: no empty label, none that starts or ends the name with a
// dot or hyphen.
bool isValidHostName(std::string_view host) {
    return !host.empty() && host.size() <= 253 && host.front() != '.' && host.front() != '-' &&
           host.back() != '.' && host.back() != '-' && host.find("..") == std::string_view::npos &&
           host.front() != '[';
}

}  // namespace

bool isValidOrigin(std::string_view origin, bool allowLoopbackHttp) {
    const auto parts = splitUrl(origin);
    if (!parts || parts->userinfo || !parts->rest.empty()) {
        return false;
    }
    if (origin.starts_with("https://") && !parts->port) {
        return isValidHostName(parts->host);
    }
    return allowLoopbackHttp && origin.starts_with("http://") && parts->host == "127.0.0.1" && parts->port &&
           *parts->port > 0;
}

const std::string& productionBaseURL() {
    static const std::string origin = [] {
        std::string text = KINDORA_BACKEND_ORIGIN_TEXT;
        if (!isValidOrigin(text, KINDORA_BACKEND_ALLOWS_LOOPBACK_HTTP != 0)) {
            Log("Backend").fault("The built-in backend origin is not a valid origin: {}", text);
            std::abort();
        }
        return text;
    }();
    return origin;
}

const std::string& currentBaseURL(const Defaults& /*defaults*/) {
    return productionBaseURL();
}

}  // namespace kindora::BackendEnvironment
