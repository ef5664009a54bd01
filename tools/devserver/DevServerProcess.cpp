#include "tools/devserver/DevServerProcess.hpp"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>

extern char** environ;

namespace kindora::devserver {
namespace {

using Clock = std::chrono::steady_clock;

int remainingMilliseconds(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// Reads one line from `fd`, waiting at most until `deadline`. Nothing when the pipe closed or the
// deadline passed first.
std::optional<std::string> readLine(int fd, Clock::time_point deadline) {
    std::string line;
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, remainingMilliseconds(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return std::nullopt;
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
}

int exitCodeOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

}  // namespace

std::optional<int> portOfListeningLine(const std::string& line) {
    for (std::string_view prefix : {"listening on http://127.0.0.1:", "listening on https://127.0.0.1:"}) {
        if (line.rfind(prefix, 0) == 0) {
            const std::string_view digits = std::string_view(line).substr(prefix.size());
            int port = 0;
            const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
            if (error == std::errc() && end == digits.data() + digits.size() && port > 0 && port <= 65535) {
                return port;
            }
        }
    }
    return std::nullopt;
}

DevServerProcess DevServerProcess::launch(const std::filesystem::path& binary,
                                          const std::vector<std::string>& arguments,
                                          std::chrono::milliseconds timeout) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw DevServerProcessError(std::string("pipe failed: ") + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);

    std::vector<std::string> words{binary.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        throw DevServerProcessError("cannot start " + binary.string() + ": " + std::strerror(spawned));
    }

    DevServerProcess process(pid, pipeFds[0]);
    const auto line = readLine(process.outputFd_, Clock::now() + timeout);
    const auto port = line ? portOfListeningLine(*line) : std::nullopt;
    if (!port) {
        const int code = process.terminate(SIGKILL);
        throw DevServerProcessError(binary.filename().string() + " did not announce its port (exit code " +
                                    std::to_string(code) + ", first line \"" + line.value_or("") + "\")");
    }
    process.port_ = *port;
    process.origin_ = line->substr(std::string_view("listening on ").size());
    return process;
}

DevServerProcess::DevServerProcess(pid_t pid, int outputFd) : pid_(pid), outputFd_(outputFd) {}

DevServerProcess::DevServerProcess(DevServerProcess&& other) noexcept
    : pid_(other.pid_),
      outputFd_(other.outputFd_),
      port_(other.port_),
      origin_(std::move(other.origin_)),
      exitCode_(other.exitCode_) {
    other.pid_ = -1;
    other.outputFd_ = -1;
}

DevServerProcess::~DevServerProcess() {
    if (pid_ > 0) {
        terminate();
    }
    if (outputFd_ >= 0) {
        ::close(outputFd_);
    }
}

int DevServerProcess::terminate(int signal, std::chrono::milliseconds timeout) {
    if (exitCode_) {
        return *exitCode_;
    }
    ::kill(pid_, signal);
    // The child's standard output closes when it ends; wait for that (bounded), draining what it says.
    const auto deadline = Clock::now() + timeout;
    bool ended = false;
    while (!ended) {
        pollfd entry{outputFd_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, remainingMilliseconds(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            break;
        }
        char buffer[256];
        const ssize_t got = ::read(outputFd_, buffer, sizeof buffer);
        ended = got == 0 || (got < 0 && errno != EINTR);
    }
    if (!ended) {
        ::kill(pid_, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    exitCode_ = exitCodeOf(status);
    return *exitCode_;
}

}  // namespace kindora::devserver
