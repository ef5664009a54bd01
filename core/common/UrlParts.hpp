#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kindora {

// The parts of an absolute URL with an authority, "scheme://[userinfo@]host[:port][/path][?query]
// [#fragment]": the one place where the agent takes a URL apart (the backend origin, the requests'
// URLs, meeting join links).
struct UrlParts {
    std::string scheme;                   // lower-cased
    std::optional<std::string> userinfo;  // before the last "@" of the authority, as written
    std::string host;                     // lower-cased; an IPv6 literal keeps its brackets
    std::optional<int> port;              // 0 to 65535
    std::string rest;                     // from the first "/", "?" or "#" after the authority, as written

    // The host without the one trailing dot that names the same DNS name ("zoom.us." is "zoom.us").
    std::string_view hostName() const;

    friend bool operator==(const UrlParts&, const UrlParts&) = default;
};

// Splits `url`, or nullopt where parsers and browsers might read it differently or it has no
// authority: spaces, control characters, backslashes and bytes outside ASCII anywhere; a host with
// anything but letters, digits, "-" and "." (so no percent-escapes) unless it is a bracketed IPv6
// literal; an empty host; a port that is empty, longer than five digits or above 65535.
std::optional<UrlParts> splitUrl(std::string_view url);

// A link as it may be logged: its scheme and host only ("https://zoom.us"), since the path and query
// of a meeting link can carry its passcode; "(not a web address)" for anything splitUrl refuses.
std::string linkForLog(std::string_view url);

}  // namespace kindora
