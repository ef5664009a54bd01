#include "core/common/UrlParts.hpp"

#include <algorithm>
#include <charconv>

namespace kindora {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string lowercased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

bool isUnambiguous(std::string_view url) {
    return std::none_of(url.begin(), url.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte >= 0x7F || c == '\\';
    });
}

bool isScheme(std::string_view scheme) {
    return !scheme.empty() && isAsciiLetter(scheme.front()) &&
           std::all_of(scheme.begin(), scheme.end(), [](char c) {
               return isAsciiLetter(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
           });
}

bool isRegisteredName(std::string_view host) {
    return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
        return isAsciiLetter(c) || isDigit(c) || c == '-' || c == '.';
    });
}

// "[" hex digits, colons and dots (an embedded IPv4 address) "]", with at least one colon.
bool isIPv6Literal(std::string_view host) {
    if (host.size() < 4 || host.front() != '[' || host.back() != ']') {
        return false;
    }
    const auto inside = host.substr(1, host.size() - 2);
    return inside.find(':') != std::string_view::npos &&
           std::all_of(inside.begin(), inside.end(),
                       [](char c) { return isHexDigit(c) || c == ':' || c == '.'; });
}

std::optional<int> portNumber(std::string_view text) {
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), isDigit)) {
        return std::nullopt;
    }
    int port = 0;
    std::from_chars(text.data(), text.data() + text.size(), port);
    return port <= 65535 ? std::optional(port) : std::nullopt;
}

}  // namespace

std::string_view UrlParts::hostName() const {
    std::string_view name = host;
    if (name.size() > 1 && name.back() == '.') {
        name.remove_suffix(1);
    }
    return name;
}

std::optional<UrlParts> splitUrl(std::string_view url) {
    if (!isUnambiguous(url)) {
        return std::nullopt;
    }
    const auto schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos || !isScheme(url.substr(0, schemeEnd))) {
        return std::nullopt;
    }
    UrlParts parts;
    parts.scheme = lowercased(url.substr(0, schemeEnd));
    const auto afterScheme = url.substr(schemeEnd + 3);
    const auto authorityEnd = std::min(afterScheme.find_first_of("/?#"), afterScheme.size());
    auto authority = afterScheme.substr(0, authorityEnd);
    parts.rest = std::string(afterScheme.substr(authorityEnd));

    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        parts.userinfo = std::string(authority.substr(0, at));
        authority.remove_prefix(at + 1);
    }
    // The port follows the last colon, except inside an IPv6 literal's brackets.
    const auto bracketEnd = authority.rfind(']');
    const auto portColon = authority.rfind(':');
    std::string_view host = authority;
    if (portColon != std::string_view::npos &&
        (bracketEnd == std::string_view::npos || portColon > bracketEnd)) {
        parts.port = portNumber(authority.substr(portColon + 1));
        if (!parts.port) {
            return std::nullopt;
        }
        host = authority.substr(0, portColon);
    }
    if (!isRegisteredName(host) && !isIPv6Literal(host)) {
        return std::nullopt;
    }
    parts.host = lowercased(host);
    return parts;
}

std::string linkForLog(std::string_view url) {
    const auto parts = splitUrl(url);
    if (!parts) {
        return "(not a web address)";
    }
    return parts->scheme + "://" + parts->host;
}

}  // namespace kindora
