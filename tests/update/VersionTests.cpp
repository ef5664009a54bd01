#include <gtest/gtest.h>

#include <compare>
#include <string>

#include "core/update/UpdateError.hpp"
#include "core/update/Version.hpp"

namespace kindora {
namespace {

struct Ordering {
    const char* lower;
    const char* higher;
};

class VersionOrdering : public ::testing::TestWithParam<Ordering> {};

TEST_P(VersionOrdering, TheFirstComesBeforeTheSecond) {
    const Version lower = Version::parse(GetParam().lower);
    const Version higher = Version::parse(GetParam().higher);
    EXPECT_LT(lower, higher);
    EXPECT_GT(higher, lower);
    EXPECT_NE(lower, higher);
}

INSTANTIATE_TEST_SUITE_P(Table, VersionOrdering,
                         ::testing::Values(Ordering{"1.9", "1.10"}, Ordering{"1.2", "1.2.1"},
                                           Ordering{"0.9.9", "1"}, Ordering{"1.2-rc1", "1.2"},
                                           Ordering{"1.2b2", "1.2"}, Ordering{"1.2-beta.2", "1.2-beta.10"},
                                           Ordering{"1.2beta9", "1.2beta10"},
                                           Ordering{"1.2-alpha", "1.2-beta"}, Ordering{"1.2a3", "1.2b1"},
                                           Ordering{"1.2-beta", "1.2-rc"}, Ordering{"1.2-dev", "1.2-alpha"},
                                           Ordering{"1.2-rc", "1.2-rc.1"}, Ordering{"1.2~rc2", "1.2.0"},
                                           Ordering{"1.2-rc3", "1.2.1-dev"}, Ordering{"1.2-1", "1.2-beta"},
                                           Ordering{"1.2-rc", "1.2-zeta"}, Ordering{"2.0-RC1", "2.0-rc2"},
                                           Ordering{"1.999999999999999998", "1.999999999999999999"}));

struct Equal {
    const char* lhs;
    const char* rhs;
};

class VersionEquality : public ::testing::TestWithParam<Equal> {};

TEST_P(VersionEquality, BothAreTheSameRelease) {
    EXPECT_EQ(Version::parse(GetParam().lhs), Version::parse(GetParam().rhs));
    EXPECT_EQ(Version::parse(GetParam().lhs) <=> Version::parse(GetParam().rhs), std::strong_ordering::equal);
}

INSTANTIATE_TEST_SUITE_P(Table, VersionEquality,
                         ::testing::Values(Equal{"1.2", "1.2.0"}, Equal{"1.2.0.0", "1.2"},
                                           Equal{"01.2", "1.2"}, Equal{"1.2+build.7", "1.2+other"},
                                           Equal{"1.2-beta2", "1.2beta.2"}, Equal{"1.2-BETA", "1.2-beta"},
                                           Equal{"1.2.0-rc1", "1.2~rc1"}));

class InvalidVersion : public ::testing::TestWithParam<std::string> {};

TEST_P(InvalidVersion, IsRefusedWithATypedError) {
    try {
        Version::parse(GetParam());
        FAIL() << "accepted " << GetParam().substr(0, 80);
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.kind(), UpdateError::Kind::invalidVersion);
        EXPECT_LT(std::string(error.what()).size(), 200u) << "the message repeats the hostile text";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, InvalidVersion,
                         ::testing::Values("", "v1.2", "1..2", ".1", "1.", "1.2-", "1.2-beta..1", "1.2 beta",
                                           "1.2/3", "1.2+", "1.2-bêta", "1.1.1.1.1.1.1.1.1",
                                           "1.1234567890123456789", "1.2-rc.1234567890123456789",
                                           std::string(10'000, '1'), "1." + std::string(9'998, '9'),
                                           std::string("1.2\0", 4)));

TEST(Version, KeepsItsTextAndTellsAPreRelease) {
    EXPECT_EQ(Version::parse("1.10.0-rc1").text(), "1.10.0-rc1");
    EXPECT_TRUE(Version::parse("1.10.0-rc1").isPreRelease());
    EXPECT_FALSE(Version::parse("1.10.0+build").isPreRelease());
    EXPECT_LT(Version(), Version::parse("0.0.1"));
}

}  // namespace
}  // namespace kindora
