#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/backend/CurlTransport.hpp"
#include "core/update/PackageKitInstaller.hpp"
#include "core/update/UpdateError.hpp"
#include "core/update/UpdateFetcher.hpp"
#include "core/update/Updater.hpp"
#include "tests/backend/ScriptedServer.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/PrivateSystemBus.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tests/update/PackageKitStandIn.hpp"

namespace kindora {
namespace {

using testing::ManualMainQueue;
using testing::PackageKitStandIn;
using testing::PrivateSystemBus;
using testing::ScriptedReply;
using testing::ScriptedServer;
using testing::VirtualTime;

std::string certificate(const std::string& name) {
    return ScriptedServer::certificateDirectory() + "/" + name;
}

ScriptedReply answer(std::string body, std::string contentType) {
    ScriptedReply reply = ScriptedReply::json(200, std::move(body));
    reply.contentType = std::move(contentType);
    return reply;
}

// A package of the next version as the maintainers publish it: its bytes, and a feed item announcing
// it on the test's HTTPS server. Each test alters one part.
struct Release {
    std::string version = "1.5.0";
    std::string package = std::string(300'000, 'p') + "kindora 1.5.0";
    std::string signedBytes = package;
    std::uint64_t announcedLength = package.size();
};

class UpdaterOverHttps : public ::testing::Test {
protected:
    UpdaterOverHttps()
        : server_(ScriptedServer::TlsFiles{certificate("loopback.pem"), certificate("loopback-key.pem")}),
          transport_(trusting()),
          downloads_(std::filesystem::path(::testing::TempDir()) /
                     ("updates-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(downloads_);
    }
    ~UpdaterOverHttps() override { std::filesystem::remove_all(downloads_); }

    static CurlTransport::Options trusting() {
        CurlTransport::Options options;
        options.caFile = certificate("test-ca.pem");
        return options;
    }

    UpdateSource source(const std::string& running = "1.4.2") const {
        return UpdateSource{server_.origin() + "/appcast.xml",
                            signingKey_.publicKey(),
                            Version::parse(running),
                            Version::parse("12"),
                            downloads_,
                            false};
    }

    std::string feed(const std::vector<Release>& releases) const {
        std::string items;
        for (const Release& release : releases) {
            items += "<item><title>Kindora " + release.version + "</title><sparkle:version>" +
                     release.version + "</sparkle:version><enclosure url=\"" + server_.origin() +
                     "/kindora_" + release.version + "_amd64.deb\" length=\"" +
                     std::to_string(release.announcedLength) +
                     "\" type=\"application/vnd.debian.binary-package\" sparkle:edSignature=\"" +
                     signingKey_.sign(release.signedBytes) + "\"/></item>";
        }
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\" "
               "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><title>Kindora"
               "</title>" +
               items + "</channel></rss>";
    }

    void serve(const std::vector<Release>& releases, const std::string& packageBytes) {
        server_.enqueue(answer(feed(releases), "application/rss+xml"));
        server_.enqueue(answer(packageBytes, "application/vnd.debian.binary-package"));
    }

    // Starts the updater and runs main-thread work until its first check has finished.
    void startAndFinishTheFirstCheck() {
        updater_.start();
        ASSERT_TRUE(mainQueue_.drainUntil([&] { return updater_.canCheckForUpdates().value(); }));
    }

    std::vector<std::string> filesInDownloads() const {
        std::vector<std::string> names;
        std::error_code error;
        for (std::filesystem::directory_iterator it(downloads_, error), end; !error && it != end;
             it.increment(error)) {
            names.push_back(it->path().filename().string());
        }
        return names;
    }

    UpdateSigningKey signingKey_ = UpdateSigningKey::generate();
    ScriptedServer server_;
    CurlTransport transport_;
    std::filesystem::path downloads_;
    UpdateFetcher fetcher_{transport_, source()};
    ManualMainQueue mainQueue_;
    VirtualTime time_;
    Updater updater_{fetcher_, mainQueue_, time_.sleeper()};
};

TEST_F(UpdaterOverHttps, VersionNFindsNPlusOneDownloadsItVerifiesItAndReportsItReadyAndThenNothingNewer) {
    const Release next;
    Release older;
    older.version = "1.4.2";
    serve({older, next}, next.package);
    std::vector<std::optional<PendingUpdate>> seen;
    const Subscription subscription =
        updater_.pendingUpdate().observe([&](const auto& value) { seen.push_back(value); });

    EXPECT_FALSE(updater_.canCheckForUpdates().value());
    startAndFinishTheFirstCheck();

    // Found first, then ready: the package is only reported once it is on disk and verified.
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], (PendingUpdate{"1.5.0", false}));
    EXPECT_EQ(seen[1], (PendingUpdate{"1.5.0", true}));
    EXPECT_EQ(updater_.lastError().value(), std::nullopt);
    ASSERT_TRUE(updater_.readyPackage());
    std::ifstream file(*updater_.readyPackage(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), next.package);
    EXPECT_EQ(filesInDownloads(), std::vector<std::string>{"kindora-1.5.0.deb"});
    const auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, "/appcast.xml");
    EXPECT_EQ(requests[1].path, "/kindora_1.5.0_amd64.deb");

    // The next scheduled check is a day later.
    ASSERT_TRUE(time_.waitForPendingDelay(Updater::checkInterval, 1));

    // Asked again, the feed now has nothing newer: nothing is offered any more.
    server_.enqueue(answer(feed({older}), "application/rss+xml"));
    updater_.checkForUpdates();
    EXPECT_FALSE(updater_.canCheckForUpdates().value());
    ASSERT_TRUE(mainQueue_.drainUntil([&] { return updater_.canCheckForUpdates().value(); }));
    EXPECT_EQ(updater_.pendingUpdate().value(), std::nullopt);
    EXPECT_EQ(updater_.readyPackage(), std::nullopt);
}

TEST_F(UpdaterOverHttps, AReadyUpdateIsInstalledThroughPackageKitOrItsRefusalLeavesItReadyAndSaysWhy) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.isRunning());
    const Release next;
    serve({next}, next.package);
    startAndFinishTheFirstCheck();
    ASSERT_EQ(updater_.pendingUpdate().value(), (PendingUpdate{"1.5.0", true}));
    PackageKitInstaller installer;
    int relaunches = 0;

    {
        // The person refuses to authorise: nothing changes but the message.
        PackageKitStandIn packageKit({2, "Failed to obtain authentication."});
        updater_.installUpdate(installer, [&] { ++relaunches; });
        EXPECT_TRUE(updater_.isInstalling().value());
        EXPECT_FALSE(updater_.canCheckForUpdates().value());
        ASSERT_TRUE(mainQueue_.drainUntil([&] { return !updater_.isInstalling().value(); }));
        EXPECT_EQ(updater_.lastError().value(),
                  "The update could not be installed: Failed to obtain authentication.");
        EXPECT_EQ(updater_.pendingUpdate().value(), (PendingUpdate{"1.5.0", true}));
        EXPECT_TRUE(updater_.canCheckForUpdates().value());
        EXPECT_EQ(relaunches, 0);
        EXPECT_EQ(packageKit.installedFiles(), std::vector<std::string>{updater_.readyPackage()->string()});
    }
    {
        PackageKitStandIn packageKit({});
        updater_.installUpdate(installer, [&] { ++relaunches; });
        ASSERT_TRUE(mainQueue_.drainUntil([&] { return relaunches == 1; }));
        EXPECT_FALSE(updater_.isInstalling().value());
        EXPECT_EQ(updater_.lastError().value(), std::nullopt);
    }
}

TEST_F(UpdaterOverHttps, APackageAlteredAfterItsDownloadIsNeverHandedToTheInstaller) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.isRunning());
    PackageKitStandIn packageKit({});
    const Release next;
    serve({next}, next.package);
    startAndFinishTheFirstCheck();
    const std::filesystem::path package = *updater_.readyPackage();
    std::ofstream(package, std::ios::binary | std::ios::in | std::ios::out).write("X", 1);

    PackageKitInstaller installer;
    updater_.installUpdate(installer, [] { ADD_FAILURE() << "relaunched into an altered package"; });
    ASSERT_TRUE(mainQueue_.drainUntil([&] { return !updater_.isInstalling().value(); }));
    EXPECT_NE(updater_.lastError().value()->find("not signed by Kindora's maintainers"), std::string::npos);
    EXPECT_TRUE(packageKit.installedFiles().empty());
    EXPECT_FALSE(std::filesystem::exists(package));
    // Found still, but it must be downloaded again.
    EXPECT_EQ(updater_.pendingUpdate().value(), (PendingUpdate{"1.5.0", false}));
}

struct Refusal {
    const char* scenario;
    void (*alter)(Release&, std::string& served);
    UpdateError::Kind kind;
    const char* message;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.scenario;
}

class UpdaterRefusesOverHttps : public UpdaterOverHttps, public ::testing::WithParamInterface<Refusal> {};

TEST_P(UpdaterRefusesOverHttps, APackageThatIsNotTheSignedOneIsRefusedWithAClearMessageAndRemoved) {
    Release release;
    std::string served = release.package;
    GetParam().alter(release, served);
    serve({release}, served);
    startAndFinishTheFirstCheck();

    ASSERT_TRUE(updater_.lastError().value());
    EXPECT_NE(updater_.lastError().value()->find(GetParam().message), std::string::npos)
        << *updater_.lastError().value();
    // Found, but never ready; nothing of the download is left.
    EXPECT_EQ(updater_.pendingUpdate().value(), (PendingUpdate{"1.5.0", false}));
    EXPECT_EQ(updater_.readyPackage(), std::nullopt);
    EXPECT_EQ(filesInDownloads(), std::vector<std::string>{});

    updater_.stop();

    // The fetcher says the same, with the error's kind.
    serve({release}, served);
    const AppcastItem item = *fetcher_.findUpdate();
    try {
        fetcher_.download(item);
        FAIL() << "the package was accepted";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.kind(), GetParam().kind);
    }
    EXPECT_EQ(filesInDownloads(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdaterRefusesOverHttps,
    ::testing::Values(
        Refusal{"altered bytes", [](Release&, std::string& served) { served[1000] ^= 1; },
                UpdateError::Kind::signatureMismatch,
                "was refused: it is not signed by Kindora's maintainers"},
        Refusal{"signature of other bytes",
                [](Release& release, std::string&) { release.signedBytes += "!"; },
                UpdateError::Kind::signatureMismatch, "not signed by Kindora's maintainers"},
        Refusal{"longer than announced", [](Release&, std::string& served) { served += "extra"; },
                UpdateError::Kind::lengthMismatch, "the download is 300018 bytes, not the 300013 bytes"},
        Refusal{"announced length differs",
                [](Release& release, std::string&) { release.announcedLength = 300'000; },
                UpdateError::Kind::lengthMismatch, "not the 300000 bytes the update feed announced"},
        Refusal{"truncated download", [](Release&, std::string& served) { served.resize(150'000); },
                UpdateError::Kind::lengthMismatch, "the download is 150000 bytes"},
        Refusal{"far longer than announced",
                [](Release&, std::string& served) { served += std::string(1024 * 1024, 'x'); },
                UpdateError::Kind::downloadFailed, "could not be downloaded: The response is larger than"}),
    [](const ::testing::TestParamInfo<Refusal>& parameter) {
        std::string name;
        for (const char c : std::string(parameter.param.scenario)) {
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST_F(UpdaterOverHttps, AFeedLargerThanItsCapIsRefusedWithoutBeingRead) {
    server_.enqueue(ScriptedReply::streaming(64ull * 1024 * 1024, false));
    try {
        fetcher_.findUpdate();
        FAIL() << "a 64 MB feed was read";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.kind(), UpdateError::Kind::feedUnavailable);
        EXPECT_NE(std::string(error.what()).find("larger than 1048576 bytes"), std::string::npos)
            << error.what();
    }
}

TEST_F(UpdaterOverHttps, AServerWhoseCertificateTheAgentDoesNotTrustIsNotAskedAnything) {
    CurlTransport systemTrust;
    UpdateFetcher fetcher(systemTrust, source());
    try {
        fetcher.findUpdate();
        FAIL() << "the feed was read from an untrusted server";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.kind(), UpdateError::Kind::feedUnavailable);
    }
    EXPECT_TRUE(server_.requests().empty());
}

}  // namespace
}  // namespace kindora
