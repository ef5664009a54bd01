#include <gtest/gtest.h>

#include <string>

#include "core/update/Appcast.hpp"
#include "core/update/UpdateError.hpp"
#include "core/update/UpdateSignature.hpp"

namespace kindora {
namespace {

const std::string signature = UpdateSigningKey::generate().sign("package");

std::string item(
    const std::string& version, const std::string& extra = "",
    const std::string& enclosure = "url=\"https://updates.example/kindora.deb\" length=\"1234\"") {
    return "<item><title>Kindora " + version + "</title><pubDate>Mon, 07 Dec 2026 15:00:00 +0000</pubDate>" +
           "<sparkle:version>" + version + "</sparkle:version>" + extra + "<enclosure " + enclosure +
           " type=\"application/vnd.debian.binary-package\" sparkle:edSignature=\"" + signature +
           "\"/></item>";
}

std::string feed(const std::string& items) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><title>Kindora</title>" +
           items + "</channel></rss>";
}

TEST(Appcast, ReadsEveryFieldOfAnItem) {
    const Appcast appcast =
        Appcast::parse(feed(item("1.3.0",
                                 "<sparkle:shortVersionString>1.3</sparkle:shortVersionString>"
                                 "<sparkle:minimumSystemVersion>12</sparkle:minimumSystemVersion>"
                                 "<description><![CDATA[<b>New</b>]]></description>")),
                       false);
    EXPECT_EQ(appcast.title, "Kindora");
    ASSERT_EQ(appcast.items.size(), 1u);
    const AppcastItem& found = appcast.items[0];
    EXPECT_EQ(found.title, "Kindora 1.3.0");
    EXPECT_EQ(found.publicationDate, "Mon, 07 Dec 2026 15:00:00 +0000");
    EXPECT_EQ(found.version.text(), "1.3.0");
    EXPECT_EQ(found.displayVersion(), "1.3");
    EXPECT_EQ(found.minimumSystemVersion, Version::parse("12"));
    EXPECT_EQ(found.url, "https://updates.example/kindora.deb");
    EXPECT_EQ(found.length, 1234u);
    EXPECT_EQ(found.edSignature, signature);
}

TEST(Appcast, TheNewestItemNewerThanTheRunningVersionThatTheSystemCanTakeIsTheUpdate) {
    const Appcast appcast =
        Appcast::parse(feed(item("1.9") + item("1.10") + item("1.2") + item("2.0-rc1") +
                            item("3.0", "<sparkle:minimumSystemVersion>13</sparkle:minimumSystemVersion>")),
                       false);
    const auto system = Version::parse("12");
    EXPECT_EQ(appcast.newestUpdate(Version::parse("1.9"), system)->version.text(), "2.0-rc1");
    EXPECT_EQ(appcast.newestUpdate(Version::parse("1.9"), Version::parse("13"))->version.text(), "3.0");
    // A system whose version is unknown takes no item that asks for a minimum.
    EXPECT_EQ(appcast.newestUpdate(Version::parse("2.0"), std::nullopt), std::nullopt);
    // Only older or equal versions: nothing is offered.
    EXPECT_EQ(appcast.newestUpdate(Version::parse("2.0"), system), std::nullopt);
    EXPECT_EQ(appcast.newestUpdate(Version::parse("2.0-rc1"), system), std::nullopt);
    EXPECT_EQ(appcast.newestUpdate(Version::parse("2.0-beta"), system)->version.text(), "2.0-rc1");
}

TEST(Appcast, TheVersionMayStandOnTheEnclosure) {
    const Appcast appcast = Appcast::parse(
        feed("<item><enclosure url=\"https://u.example/k.deb\" length=\"9\" sparkle:version=\"4.1\" "
             "sparkle:shortVersionString=\"4.1 (beta)\" sparkle:edSignature=\"" +
             signature + "\"/></item>"),
        false);
    ASSERT_EQ(appcast.items.size(), 1u);
    EXPECT_EQ(appcast.items[0].version.text(), "4.1");
    EXPECT_EQ(appcast.items[0].displayVersion(), "4.1 (beta)");
}

TEST(Appcast, DevelopmentBuildsAlsoTakePackagesFromALoopbackServer) {
    const std::string loopback = feed(item("2", "", "url=\"http://127.0.0.1:8123/k.deb\" length=\"5\""));
    EXPECT_EQ(Appcast::parse(loopback, true).items.size(), 1u);
    EXPECT_THROW(Appcast::parse(loopback, false), UpdateError);
}

struct HostileFeed {
    const char* scenario;
    std::string xml;
    const char* reason;  // part of the message
};

void PrintTo(const HostileFeed& feed, std::ostream* out) {
    *out << feed.scenario;
}

class HostileAppcast : public ::testing::TestWithParam<HostileFeed> {};

TEST_P(HostileAppcast, IsRefusedWithATypedErrorAndNothingIsOffered) {
    try {
        const Appcast appcast = Appcast::parse(GetParam().xml, true);
        FAIL() << "accepted, with " << appcast.items.size() << " items";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.kind(), UpdateError::Kind::malformedFeed);
        EXPECT_NE(std::string(error.what()).find(GetParam().reason), std::string::npos) << error.what();
        EXPECT_LT(std::string(error.what()).size(), 400u) << "the message repeats hostile text";
    }
}

std::string nested(std::size_t depth) {
    std::string open;
    std::string close;
    for (std::size_t i = 0; i < depth; ++i) {
        open += "<x>";
        close += "</x>";
    }
    return open + close;
}

std::string manyItems(std::size_t count) {
    std::string items;
    const std::string one = item("2");
    for (std::size_t i = 0; i < count; ++i) {
        items += one;
    }
    return items;
}

const std::string billionLaughs =
    "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;\">]>"
    "<rss><channel><title>&b;</title></channel></rss>";

INSTANTIATE_TEST_SUITE_P(
    Table, HostileAppcast,
    ::testing::Values(
        HostileFeed{"not XML", "this is not a feed", "syntax error"},
        HostileFeed{"truncated", feed(item("2")).substr(0, 200), "no element found"},
        HostileFeed{"unclosed element", "<rss><channel><item></channel></rss>", "mismatched tag"},
        HostileFeed{"empty", "", "no element found"},
        HostileFeed{"another root", "<feed><entry/></feed>", "root element is not <rss>"},
        HostileFeed{"no channel", "<rss></rss>", "no RSS channel"},
        HostileFeed{"entities", billionLaughs, "document type declaration"},
        HostileFeed{"external entity", "<!DOCTYPE rss SYSTEM \"file:///etc/passwd\"><rss><channel/></rss>",
                    "document type"},
        HostileFeed{"huge feed", feed(std::string(Appcast::maximumFeedBytes, ' ')),
                    "larger than 1048576 bytes"},
        HostileFeed{"too many items", feed(manyItems(Appcast::maximumItems + 1)), "more than 1000 items"},
        HostileFeed{"deep nesting", "<rss><channel>" + nested(40) + "</channel></rss>", "nest deeper"},
        HostileFeed{"huge title", feed("<item><title>" + std::string(100'000, 't') + "</title></item>"),
                    "longer than 2048"},
        HostileFeed{"long version", feed(item("1." + std::string(100, '1'))), "longer than 64 characters"},
        HostileFeed{"version with spaces", feed(item("two point oh")), "item 1: The version"},
        HostileFeed{
            "no version",
            feed("<item><enclosure url=\"https://u.example/k.deb\" length=\"9\" sparkle:edSignature=\"" +
                 signature + "\"/></item>"),
            "item 1: it has no version"},
        HostileFeed{"no enclosure", feed("<item><sparkle:version>2</sparkle:version></item>"),
                    "no enclosure"},
        HostileFeed{"two enclosures",
                    feed("<item><sparkle:version>2</sparkle:version><enclosure/><enclosure/></item>"),
                    "more than one enclosure"},
        HostileFeed{
            "repeated version",
            feed("<item><sparkle:version>2</sparkle:version><sparkle:version>3</sparkle:version></item>"),
            "repeats"},
        HostileFeed{"no url", feed(item("2", "", "length=\"9\"")), "no url"},
        HostileFeed{"plain http", feed(item("2", "", "url=\"http://updates.example/k.deb\" length=\"9\"")),
                    "not on an https:// address"},
        HostileFeed{"file scheme", feed(item("2", "", "url=\"file:///tmp/k.deb\" length=\"9\"")), "https://"},
        HostileFeed{"user in the url",
                    feed(item("2", "", "url=\"https://evil@updates.example/k.deb\" length=\"9\"")),
                    "https://"},
        HostileFeed{"space in the url",
                    feed(item("2", "", "url=\"https://updates.example/a b.deb\" length=\"9\"")), "https://"},
        HostileFeed{"no length", feed(item("2", "", "url=\"https://u.example/k.deb\"")), "length"},
        HostileFeed{"negative length", feed(item("2", "", "url=\"https://u.example/k.deb\" length=\"-1\"")),
                    "length"},
        HostileFeed{"zero length", feed(item("2", "", "url=\"https://u.example/k.deb\" length=\"0\"")),
                    "length"},
        HostileFeed{"huge length",
                    feed(item("2", "", "url=\"https://u.example/k.deb\" length=\"99999999999999999999\"")),
                    "length"},
        HostileFeed{"no signature",
                    feed("<item><sparkle:version>2</sparkle:version>"
                         "<enclosure url=\"https://u.example/k.deb\" length=\"9\"/></item>"),
                    "no Ed25519 signature"},
        HostileFeed{
            "short signature",
            feed("<item><sparkle:version>2</sparkle:version><enclosure url=\"https://u.example/k.deb\" "
                 "length=\"9\" sparkle:edSignature=\"AAAA\"/></item>"),
            "no Ed25519 signature"},
        HostileFeed{"one bad item among good ones", feed(item("2") + item("3", "", "length=\"9\"")),
                    "item 2: its enclosure has no url"}),
    [](const ::testing::TestParamInfo<HostileFeed>& parameter) {
        std::string name;
        for (const char c : std::string(parameter.param.scenario)) {
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(UpdateSignature, OnlyTheKeysOwnSignatureOfTheExactBytesVerifies) {
    const UpdateSigningKey key = UpdateSigningKey::generate();
    const std::string contents(100'000, 'k');
    const std::string signed_ = key.sign(contents);
    const UpdatePublicKey publicKey = *UpdatePublicKey::fromBase64(key.publicKey().base64());
    EXPECT_TRUE(publicKey.verifies(contents, signed_));

    std::string altered = contents;
    altered[50'000] = 'K';
    EXPECT_FALSE(publicKey.verifies(altered, signed_));
    EXPECT_FALSE(publicKey.verifies(contents.substr(0, 99'999), signed_));
    EXPECT_FALSE(UpdateSigningKey::generate().publicKey().verifies(contents, signed_));
    EXPECT_FALSE(publicKey.verifies(contents, signed_.substr(0, 40)));
    EXPECT_FALSE(publicKey.verifies(contents, "not base64!"));

    // A secret key read back signs the same; one whose halves do not belong together is refused.
    EXPECT_EQ(UpdateSigningKey::fromBase64(key.base64())->sign(contents), signed_);
    const std::string other = UpdateSigningKey::generate().base64();
    const auto mixed = decodeBase64(key.base64(), 64)->substr(0, 32) + decodeBase64(other, 64)->substr(32);
    EXPECT_FALSE(
        UpdateSigningKey::fromBase64(encodeBase64(reinterpret_cast<const unsigned char*>(mixed.data()), 64)));
    EXPECT_FALSE(UpdatePublicKey::fromBase64("c2hvcnQ="));
}

}  // namespace
}  // namespace kindora
