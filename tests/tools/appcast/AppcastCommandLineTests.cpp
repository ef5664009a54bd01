#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/AtomicFile.hpp"
#include "core/update/Appcast.hpp"
#include "core/update/UpdateSignature.hpp"
#include "tools/appcast/AppcastCommandLine.hpp"

namespace kindora {
namespace {

class AppcastTool : public ::testing::Test {
protected:
    AppcastTool()
        : directory_(std::filesystem::path(::testing::TempDir()) /
                     ("appcast-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(directory_);
        std::filesystem::create_directories(directory_);
    }
    ~AppcastTool() override { std::filesystem::remove_all(directory_); }

    int run(std::vector<std::string> arguments) {
        out_.str("");
        err_.str("");
        AppcastCommandLine commandLine(out_, err_, dateFromSecondsSinceEpoch(1'796'655'600));
        return commandLine.run(arguments);
    }

    std::string path(const std::string& name) const { return (directory_ / name).string(); }
    std::string write(const std::string& name, const std::string& contents) const {
        AtomicFile::write(directory_ / name, contents);
        return path(name);
    }
    std::string read(const std::string& name) const {
        return AtomicFile::read(directory_ / name).value_or("");
    }

    std::vector<std::string> add(const std::string& version, const std::string& package,
                                 std::vector<std::string> extra = {}) {
        std::vector<std::string> arguments{"add",
                                           "--key",
                                           path("key"),
                                           "--appcast",
                                           path("appcast.xml"),
                                           "--url",
                                           "https://updates.example/kindora_" + version + ".deb",
                                           "--version",
                                           version};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        arguments.push_back(package);
        return arguments;
    }

    std::filesystem::path directory_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(AppcastTool, MakesAKeyThenWritesAndExtendsAFeedWhoseItemsTheAgentAccepts) {
    ASSERT_EQ(run({"generate-key", path("key")}), 0) << err_.str();
    const auto publicKey = UpdatePublicKey::fromBase64(out_.str().substr(0, out_.str().size() - 1));
    ASSERT_TRUE(publicKey) << out_.str();
    struct stat status {};
    ASSERT_EQ(::stat(path("key").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(run({"generate-key", path("key")}), 1) << "an existing key was overwritten";
    EXPECT_EQ(run({"public-key", path("key")}), 0);
    EXPECT_EQ(out_.str(), publicKey->base64() + "\n");

    const std::string first = write("kindora_1.5.0_amd64.deb", std::string(5000, 'a'));
    ASSERT_EQ(run(add("1.5.0", first, {"--short-version", "1.5", "--minimum-system-version", "12"})), 0)
        << err_.str();
    const std::string second = write("kindora_1.10.0_amd64.deb", std::string(7000, 'b'));
    ASSERT_EQ(run(add("1.10.0", second, {"--title", "Kindora <1.10> & more"})), 0) << err_.str();

    const Appcast appcast = Appcast::parse(read("appcast.xml"), false);
    ASSERT_EQ(appcast.items.size(), 2u);
    const AppcastItem& newest = appcast.items[0];
    EXPECT_EQ(newest.version.text(), "1.10.0");
    EXPECT_EQ(newest.title, "Kindora <1.10> & more");
    EXPECT_EQ(newest.length, 7000u);
    EXPECT_EQ(newest.publicationDate, "Mon, 07 Dec 2026 15:00:00 +0000");
    EXPECT_TRUE(publicKey->verifies(std::string(7000, 'b'), newest.edSignature));
    const AppcastItem& older = appcast.items[1];
    EXPECT_EQ(older.displayVersion(), "1.5");
    EXPECT_EQ(older.minimumSystemVersion, Version::parse("12"));
    EXPECT_EQ(older.url, "https://updates.example/kindora_1.5.0.deb");
    EXPECT_TRUE(publicKey->verifies(std::string(5000, 'a'), older.edSignature));
    EXPECT_EQ(appcast.newestUpdate(Version::parse("1.9"), Version::parse("12"))->version.text(), "1.10.0");

    // `sign` gives the same signature the feed carries.
    ASSERT_EQ(run({"sign", path("key"), second}), 0);
    EXPECT_EQ(out_.str(), newest.edSignature + "\n");
}

TEST_F(AppcastTool, RefusesAnItemItCannotVerifyOrThatIsNotSoundAndLeavesTheFeedAsItWas) {
    ASSERT_EQ(run({"generate-key", path("key")}), 0);
    const std::string trusted = out_.str().substr(0, out_.str().size() - 1);
    ASSERT_EQ(run({"generate-key", path("other-key")}), 0);
    const std::string otherKey = out_.str().substr(0, out_.str().size() - 1);
    const std::string package = write("kindora.deb", "package bytes");
    ASSERT_EQ(run(add("1.5.0", package, {"--public-key", trusted})), 0) << err_.str();
    const std::string feed = read("appcast.xml");

    // Signed with a key that is not the one the agents trust: refused, nothing written.
    EXPECT_EQ(run(add("1.6.0", package, {"--public-key", otherKey})), 1);
    EXPECT_NE(err_.str().find("does not verify with the public key " + otherKey), std::string::npos)
        << err_.str();
    EXPECT_EQ(read("appcast.xml"), feed);

    // The same version again needs --replace.
    EXPECT_EQ(run(add("1.5.0", package)), 1);
    EXPECT_NE(err_.str().find("already"), std::string::npos) << err_.str();
    EXPECT_EQ(read("appcast.xml"), feed);
    const std::string rebuilt = write("kindora-rebuilt.deb", "rebuilt package bytes");
    ASSERT_EQ(run(add("1.5.0", rebuilt, {"--replace"})), 0) << err_.str();
    EXPECT_EQ(Appcast::parse(read("appcast.xml"), false).items.at(0).length, 21u);

    // Addresses the agents would refuse, bad versions, missing packages and keys: usage errors.
    std::vector<std::string> plainHttp = add("1.7.0", package);
    plainHttp[6] = "http://updates.example/k.deb";
    EXPECT_EQ(run(plainHttp), 2);
    EXPECT_EQ(run(add("seven", package)), 2);
    EXPECT_EQ(run(add("1.7.0", path("missing.deb"))), 1);
    EXPECT_EQ(run({"add", "--appcast", path("appcast.xml"), package}), 2);
    write("not-a-key", "hello");
    EXPECT_EQ(run({"sign", path("not-a-key"), package}), 1);
    EXPECT_NE(err_.str().find("is not a signing key"), std::string::npos);
    EXPECT_EQ(run({"frobnicate"}), 2);
    // A feed that is not one is not extended.
    write("appcast.xml", "<rss><channel><item/></channel></rss>");
    EXPECT_EQ(run(add("1.8.0", package)), 1);
    EXPECT_EQ(read("appcast.xml"), "<rss><channel><item/></channel></rss>");
}

}  // namespace
}  // namespace kindora
