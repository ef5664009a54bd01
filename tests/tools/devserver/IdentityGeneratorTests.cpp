#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "core/backend/Uuid.hpp"
#include "tools/devserver/IdentityGenerator.hpp"
#include "tools/devserver/TokenDigest.hpp"

namespace kindora::devserver {
namespace {

TEST(IdentityGenerator, MakesTokensIdsAndCodesOfTheirFormsAndNeverTheSameTwice) {
    IdentityGenerator identities = IdentityGenerator::system();
    std::set<std::string> seen;
    const std::regex token("kdt_[0-9a-f]{48}");
    const std::regex code("[A-HJKMNP-Z2-9]{3}-[A-HJKMNP-Z2-9]{3}");
    const std::regex uuid("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    for (int i = 0; i < 200; ++i) {
        const std::string t = identities.deviceToken();
        const std::string id = identities.deviceId();
        EXPECT_TRUE(std::regex_match(t, token)) << t;
        EXPECT_TRUE(std::regex_match(identities.pairingCode(), code));
        EXPECT_TRUE(std::regex_match(id, uuid)) << id;
        EXPECT_TRUE(Uuid::parse(id).has_value());
        EXPECT_TRUE(seen.insert(t).second);
        EXPECT_TRUE(seen.insert(id).second);
    }
}

TEST(IdentityGenerator, DrawsFromTheInjectedSource) {
    IdentityGenerator zeros([] { return std::uint64_t{0}; });
    EXPECT_EQ(zeros.deviceToken(), "kdt_" + std::string(48, '0'));
    EXPECT_EQ(zeros.deviceId(), "00000000-0000-4000-8000-000000000000");
    EXPECT_EQ(zeros.pairingCode(), "AAA-AAA");
}

TEST(TokenDigest, IsTheSha256OfTheToken) {
    EXPECT_EQ(TokenDigest::of("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace kindora::devserver
