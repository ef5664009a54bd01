#include "core/backend/BackendEnvironment.hpp"

#include <charconv>
#include <cstdlib>

#include "core/backend/BackendOrigin.hpp"
#include "core/common/Log.hpp"

namespace kindora::BackendEnvironment {
namespace {

bool isHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

bool isValidHost(std::string_view host) {
    if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-' ||
        host.back() == '.' || host.back() == '-' || host.find("..") != std::string_view::npos) {
        return false;
    }
    for (const char c : host) {
        if (!isHostCharacter(c)) {
            return false;
        }
    }
    return true;
}

bool isValidLoopbackAuthority(std::string_view authority) {
    constexpr std::string_view loopback = "127.0.0.1:";
    if (!authority.starts_with(loopback)) {
        return false;
    }
    const std::string_view portText = authority.substr(loopback.size());
    int port = 0;
    const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    return error == std::errc() && end == portText.data() + portText.size() && port > 0 && port <= 65535;
}

}  // namespace

bool isValidOrigin(std::string_view origin, bool allowLoopbackHttp) {
    constexpr std::string_view https = "https://";
    constexpr std::string_view http = "http://";
    if (origin.starts_with(https)) {
        return isValidHost(origin.substr(https.size()));
    }
    if (allowLoopbackHttp && origin.starts_with(http)) {
        return isValidLoopbackAuthority(origin.substr(http.size()));
    }
    return false;
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
