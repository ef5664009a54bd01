#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/update/Version.hpp"

namespace kindora {

// One release in the update feed: an RSS <item> with the appcast elements of the widely used
// "sparkle" namespace and an <enclosure> naming the package, its length and its Ed25519 signature.
struct AppcastItem {
    std::string title;
    std::optional<std::string> publicationDate;  // RFC 822 text, as written
    Version version;                             // compared with the running version
    std::string shortVersionString;              // what people are shown; the version when absent
    std::optional<Version> minimumSystemVersion;
    std::string url;
    std::uint64_t length = 0;
    std::string edSignature;  // Base64 of the 64-byte signature of the whole package

    const std::string& displayVersion() const {
        return shortVersionString.empty() ? version.text() : shortVersionString;
    }
    friend bool operator==(const AppcastItem&, const AppcastItem&) = default;
};

// The update feed. Parsing refuses, with UpdateError::Kind::malformedFeed, anything that is not a
// well-formed RSS appcast within the limits below, any document type declaration (so no entity can
// expand), and any item that lacks a valid version, package URL, length or signature: one bad item
// spoils the feed, so nothing half-understood is ever offered.
struct Appcast {
    static constexpr std::size_t maximumFeedBytes = 1024 * 1024;
    static constexpr std::size_t maximumItems = 1000;
    static constexpr std::size_t maximumDepth = 32;
    static constexpr std::size_t maximumFieldLength = 2048;
    static constexpr std::uint64_t maximumPackageBytes = 512ull * 1024 * 1024;

    static constexpr std::string_view sparkleNamespace =
        "http://www.andymatuschak.org/xml-namespaces/sparkle";

    // `allowsLoopbackHttp`: development builds also accept packages from "http://127.0.0.1:PORT/...".
    static Appcast parse(std::string_view xml, bool allowsLoopbackHttp);

    // The newest item newer than `running` that this system can take (an item that names a minimum
    // system version is taken only when `system` is known and not older), if any.
    std::optional<AppcastItem> newestUpdate(const Version& running,
                                            const std::optional<Version>& system) const;

    std::string title;
    std::vector<AppcastItem> items;
};

// "https://host[:port]/path" (or with `allowsLoopbackHttp`, "http://127.0.0.1:PORT/path"), with no
// user name, spaces, quotes or control characters.
bool isAcceptedUpdateURL(std::string_view url, bool allowsLoopbackHttp);

}  // namespace kindora
