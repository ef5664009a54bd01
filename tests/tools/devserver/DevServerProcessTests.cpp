// The real kindora-devserver binary, as the demo and the end-to-end tests run it.
#include <gtest/gtest.h>

#include <httplib.h>

#include <cstdlib>
#include <fstream>

#include "tools/devserver/DevServerProcess.hpp"

namespace kindora::devserver {
namespace {

const std::filesystem::path binary =
    std::filesystem::path(KINDORA_BINARY_DIR) / "tools/devserver/kindora-devserver";

std::filesystem::path home() {
    return std::getenv("HOME");
}

TEST(DevServerProcess, AnnouncesItsLoopbackPortServesAndStopsCleanlyOnEitherSignal) {
    for (const int signal : {SIGTERM, SIGINT}) {
        DevServerProcess process = DevServerProcess::launch(binary, {"--port", "0"});
        EXPECT_EQ(process.origin(), "http://127.0.0.1:" + std::to_string(process.port()));
        httplib::Client client("127.0.0.1", process.port());
        const auto page = client.Get("/");
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
        EXPECT_EQ(process.terminate(signal), 0) << "signal " << signal;
    }
}

// The state file is the one named on the command line: a corrupt one stops the start. (What the file
// keeps across restarts is the in-process server's test.)
TEST(DevServerProcess, RefusesABadCommandLineOrAnUnusableStateFile) {
    EXPECT_THROW(DevServerProcess::launch(binary, {"--port", "http"}), DevServerProcessError);
    const std::filesystem::path corrupt = home() / "corrupt.json";
    std::ofstream(corrupt) << "{ not a household";
    EXPECT_THROW(DevServerProcess::launch(binary, {"--state", corrupt.string()}), DevServerProcessError);
}

TEST(DevServerProcess, ServesHttpsWithTheGivenCertificate) {
    const std::filesystem::path cert = home() / "cert.pem";
    const std::filesystem::path key = home() / "key.pem";
    const std::string command =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
        "-addext subjectAltName=IP:127.0.0.1 -keyout " +
        key.string() + " -out " + cert.string() + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        GTEST_SKIP() << "openssl cannot make a test certificate here";
    }
    DevServerProcess process =
        DevServerProcess::launch(binary, {"--tls-cert", cert.string(), "--tls-key", key.string()});
    EXPECT_EQ(process.origin(), "https://127.0.0.1:" + std::to_string(process.port()));

    httplib::SSLClient client("127.0.0.1", process.port());
    client.set_ca_cert_path(cert.c_str());
    client.enable_server_certificate_verification(true);
    const auto page = client.Get("/");
    ASSERT_TRUE(page) << httplib::to_string(page.error());
    EXPECT_EQ(page->status, 200);

    // A key that does not load is a start failure, not a server without TLS.
    EXPECT_THROW(DevServerProcess::launch(binary, {"--tls-cert", cert.string(), "--tls-key", cert.string()}),
                 DevServerProcessError);
}

TEST(DevServerProcess, ReadsOnlyWellFormedAnnouncements) {
    EXPECT_EQ(portOfListeningLine("listening on http://127.0.0.1:8080"), 8080);
    EXPECT_EQ(portOfListeningLine("listening on https://127.0.0.1:443"), 443);
    for (const char* line : {"listening on http://0.0.0.0:80",
                             "listening on http://127.0.0.1:", "listening on http://127.0.0.1:0",
                             "listening on http://127.0.0.1:80x", "ready"}) {
        EXPECT_FALSE(portOfListeningLine(line)) << line;
    }
}

}  // namespace
}  // namespace kindora::devserver
