#include "core/common/UrlParts.hpp"

#include <gtest/gtest.h>

namespace kindora {
namespace {

struct Split {
    const char* url;
    std::optional<UrlParts> parts;
};

UrlParts parts(const char* scheme, std::optional<std::string> userinfo, const char* host,
               std::optional<int> port, const char* rest) {
    return UrlParts{scheme, std::move(userinfo), host, port, rest};
}

class SplitUrl : public ::testing::TestWithParam<Split> {};

TEST_P(SplitUrl, GivesThePartsOrRefusesWhatCouldBeReadTwoWays) {
    EXPECT_EQ(splitUrl(GetParam().url), GetParam().parts);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitUrl,
    ::testing::Values(
        Split{"https://zoom.us/j/1?pwd=x#a", parts("https", {}, "zoom.us", {}, "/j/1?pwd=x#a")},
        Split{"https://api.kindora.example", parts("https", {}, "api.kindora.example", {}, "")},
        Split{"https://host?q", parts("https", {}, "host", {}, "?q")},
        Split{"https://host#f", parts("https", {}, "host", {}, "#f")},
        // Upper case: scheme and host are case-insensitive, the rest is not.
        Split{"HTTPS://Meet.Google.COM/ABC", parts("https", {}, "meet.google.com", {}, "/ABC")},
        // Userinfo: everything before the last "@" of the authority; an "@" in the path is the path's.
        Split{"https://zoom.us@evil.example/j", parts("https", "zoom.us", "evil.example", {}, "/j")},
        Split{"https://a:b@c@host:8443/x", parts("https", "a:b@c", "host", 8443, "/x")},
        Split{"https://host/x@evil.example", parts("https", {}, "host", {}, "/x@evil.example")},
        Split{"https://@host", parts("https", "", "host", {}, "")},
        // Ports.
        Split{"http://127.0.0.1:8080", parts("http", {}, "127.0.0.1", 8080, "")},
        Split{"https://host:0/", parts("https", {}, "host", 0, "/")},
        Split{"https://host:65535", parts("https", {}, "host", 65535, "")},
        Split{"https://host:65536", std::nullopt}, Split{"https://host:", std::nullopt},
        Split{"https://host:443443", std::nullopt}, Split{"https://host:port", std::nullopt},
        Split{"https://host:-1", std::nullopt}, Split{"https://host:1:2", std::nullopt},
        // IPv6 literals keep their brackets; a colon inside them is no port.
        Split{"http://[::1]:8080/x", parts("http", {}, "[::1]", 8080, "/x")},
        Split{"https://[2001:DB8::A]", parts("https", {}, "[2001:db8::a]", {}, "")},
        Split{"https://[::ffff:192.0.2.1]/", parts("https", {}, "[::ffff:192.0.2.1]", {}, "/")},
        Split{"https://[::1", std::nullopt}, Split{"https://::1/", std::nullopt},
        Split{"https://[zz::1]/", std::nullopt}, Split{"https://[]/", std::nullopt},
        Split{"https://[127.0.0.1]/", std::nullopt},
        // Percent-escapes are the path's business, never the host's.
        Split{"https://teams.microsoft.com/l/19%3ameeting",
              parts("https", {}, "teams.microsoft.com", {}, "/l/19%3ameeting")},
        Split{"https://evil.example%2F.zoom.us/j", std::nullopt}, Split{"https://zo%6Fm.us/", std::nullopt},
        // A trailing dot is kept in the host; hostName() drops it.
        Split{"https://zoom.us./j", parts("https", {}, "zoom.us.", {}, "/j")},
        // No authority, or one that is empty.
        Split{"https://", std::nullopt}, Split{"https:///path", std::nullopt},
        Split{"mailto:a@b.example", std::nullopt}, Split{"zoom.us/j/1", std::nullopt},
        Split{"", std::nullopt}, Split{"://host", std::nullopt}, Split{"1https://host", std::nullopt},
        Split{"ht tps://host", std::nullopt},
        // What browsers read differently from a plain parser.
        Split{"https://evil.example\\@zoom.us/", std::nullopt}, Split{"https://host/a b", std::nullopt},
        Split{"https://host/\t", std::nullopt}, Split{"https://h\xC3\xB6st/", std::nullopt},
        Split{"https://host/\x7F", std::nullopt}, Split{"https://ho_st/", std::nullopt}));

TEST(UrlParts, HostNameDropsOneTrailingDotOnly) {
    EXPECT_EQ(splitUrl("https://zoom.us./j")->hostName(), "zoom.us");
    EXPECT_EQ(splitUrl("https://zoom.us/j")->hostName(), "zoom.us");
    EXPECT_EQ(splitUrl("https://zoom.us../j")->hostName(), "zoom.us.");
    EXPECT_EQ(splitUrl("https://./")->hostName(), ".");
}

}  // namespace
}  // namespace kindora
