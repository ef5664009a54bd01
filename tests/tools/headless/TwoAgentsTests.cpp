// Both front ends, as the programs a person starts, on one data directory and one backend (the
// in-process devserver): whichever starts second exits non-zero naming the one that runs, and the
// backend receives every message once.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/common/AgentPaths.hpp"
#include "tests/support/LogCapture.hpp"
#include "tools/chatdb/ChatDBGenerator.hpp"
#include "tools/devserver/DevServer.hpp"

extern char** environ;

namespace kindora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path binaries = KINDORA_BINARY_DIR;

// A program started with the test's environment plus `extra`, its output in a file of its own.
class Program {
public:
    Program(const fs::path& program, const std::vector<std::string>& arguments,
            const std::vector<std::string>& extra, const fs::path& output)
        : output_(output) {
        std::vector<std::string> words{program.string()};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> environment(extra);
        for (char** entry = environ; *entry != nullptr; ++entry) {
            environment.emplace_back(*entry);
        }
        std::vector<char*> envp;
        for (auto& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Program() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    pid_t pid() const { return pid_; }
    std::string output() const {
        std::ifstream file(output_);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // The exit status once it ended by itself within `limit`; nothing if it still runs.
    std::optional<int> exitStatus(std::chrono::seconds limit = 60s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!status_ && std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            } else {
                std::this_thread::sleep_for(20ms);
            }
        }
        return status_;
    }
    bool outputContains(const std::string& text, std::chrono::seconds limit = 60s) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (output().find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

private:
    fs::path output_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

class TwoAgents : public ::testing::Test {
protected:
    void SetUp() override {
#if defined(__SANITIZE_THREAD__)
        GTEST_SKIP() << "kindora (Qt) is not built for ThreadSanitizer; this runs under dev and asan";
#endif
        if (!fs::exists(binaries / "app/kindora")) {
            GTEST_SKIP() << "this build has no desktop application";
        }
        server.start();
        fs::create_directories(databasePath.parent_path());
        ChatDBGenerator::create(databasePath.string(), 40, 3);
    }
    void TearDown() override { server.stop(); }

    Program start(const std::string& program, std::vector<std::string> arguments = {}) {
        const fs::path path = program == "kindora" ? binaries / "app/kindora" : binaries / "tools/headless/kindora-headless";
        return Program(path, arguments,
                       {"KINDORA_DEVELOPMENT_BACKEND_ORIGIN=" + server.origin(), "QT_QPA_PLATFORM=offscreen"},
                       AgentPaths::homeDirectory() / (program + "-" + std::to_string(++started) + ".out"));
    }

    std::size_t messagesReceived() { return server.household().snapshot().messages.size(); }

    bool eventually(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    testing::LogCapture log;
    devserver::DevServer server{devserver::DevServerOptions{}};
    fs::path databasePath = AgentPaths::homeDirectory() / "Library/Messages/chat.db";
    int started = 0;
};

TEST_F(TwoAgents, WhicheverStartsSecondExitsNamingTheOtherAndEveryMessageArrivesOnce) {
    // kindora-headless runs and forwards.
    Program headless = start("kindora-headless", {"--memory-credentials", "--database", databasePath.string()});
    const std::string codeMarker = "enter the pairing code ";
    ASSERT_TRUE(headless.outputContains(" in the household's web app")) << headless.output();
    const std::string output = headless.output();
    const auto codeStart = output.find(codeMarker) + codeMarker.size();
    const std::string code = output.substr(codeStart, output.find(' ', codeStart) - codeStart);
    server.household().confirmPairing(code);
    ASSERT_TRUE(headless.outputContains("phase: running")) << headless.output();

    // kindora on the same directory is refused, naming kindora-headless.
    Program desktop = start("kindora");
    EXPECT_NE(desktop.exitStatus().value_or(0), 0) << desktop.output();
    EXPECT_NE(desktop.output().find("kindora-headless (process " + std::to_string(headless.pid()) +
                                    ") is already running"),
              std::string::npos)
        << desktop.output();

    const auto arrived = ChatDBGenerator::append(databasePath.string(), 15, 21, std::chrono::system_clock::now());
    ASSERT_GT(arrived.inbound, 0);
    ASSERT_TRUE(eventually([&] { return messagesReceived() >= static_cast<std::size_t>(arrived.inbound); }));
    EXPECT_EQ(messagesReceived(), static_cast<std::size_t>(arrived.inbound)) << "each message once";
    ::kill(headless.pid(), SIGTERM);
    EXPECT_EQ(headless.exitStatus(), 0) << headless.output();

    // The other way round: kindora runs, and kindora-headless is refused, naming it.
    Program desktopFirst = start("kindora");
    const fs::path lock = AgentPaths::dataDirectory() / "kindora.lock";
    ASSERT_TRUE(eventually([&] {
        std::ifstream file(lock);
        std::string holder;
        std::getline(file, holder);
        return holder == std::to_string(desktopFirst.pid()) + " kindora";
    })) << desktopFirst.output();
    Program headlessSecond = start("kindora-headless", {"--memory-credentials", "--database", databasePath.string()});
    EXPECT_NE(headlessSecond.exitStatus().value_or(0), 0) << headlessSecond.output();
    EXPECT_NE(headlessSecond.output().find("kindora (process " + std::to_string(desktopFirst.pid()) +
                                           ") is already running"),
              std::string::npos)
        << headlessSecond.output();
    ::kill(desktopFirst.pid(), SIGTERM);
    EXPECT_EQ(desktopFirst.exitStatus(), 0) << desktopFirst.output();
    EXPECT_EQ(messagesReceived(), static_cast<std::size_t>(arrived.inbound)) << "nothing sent twice";
}

}  // namespace
}  // namespace kindora
