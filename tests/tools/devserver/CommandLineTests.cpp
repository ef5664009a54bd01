#include <gtest/gtest.h>

#include "tools/devserver/CommandLine.hpp"

namespace kindora::devserver {
namespace {

DevServerOptions optionsOf(const std::vector<std::string>& arguments) {
    return std::get<DevServerOptions>(CommandLine::parse(arguments));
}

TEST(CommandLine, ReadsEveryOption) {
    const DevServerOptions options = optionsOf(
        {"--port", "8443", "--demo", "--state", "/tmp/h.json", "--tls-cert", "c.pem", "--tls-key", "k.pem"});
    EXPECT_EQ(options.port, 8443);
    EXPECT_TRUE(options.demo);
    EXPECT_EQ(options.stateFile, std::filesystem::path("/tmp/h.json"));
    EXPECT_EQ(options.tlsCertificate, std::filesystem::path("c.pem"));
    EXPECT_EQ(options.tlsKey, std::filesystem::path("k.pem"));
}

TEST(CommandLine, DefaultsToAFreePortWithoutDemoStateOrTls) {
    const DevServerOptions options = optionsOf({});
    EXPECT_EQ(options.port, 0);
    EXPECT_FALSE(options.demo);
    EXPECT_FALSE(options.stateFile);
    EXPECT_FALSE(options.tlsCertificate);
}

TEST(CommandLine, HelpIsAnswered) {
    EXPECT_TRUE(std::holds_alternative<CommandLine::HelpRequested>(CommandLine::parse({"--help"})));
    EXPECT_NE(CommandLine::usage().find("--tls-cert"), std::string::npos);
}

TEST(CommandLine, RefusesWhatItCannotRunWith) {
    const std::vector<std::vector<std::string>> refused = {
        {"--port"},      {"--port", "-1"},        {"--port", "65536"},     {"--port", "80x"},
        {"--port", ""},  {"--listen", "0.0.0.0"}, {"--tls-cert", "c.pem"}, {"--tls-key", "k.pem"},
        {"--state", ""}, {"--demo", "extra"},
    };
    for (const auto& arguments : refused) {
        EXPECT_THROW(CommandLine::parse(arguments), CommandLineError) << ::testing::PrintToString(arguments);
    }
}

}  // namespace
}  // namespace kindora::devserver
