#pragma once

#include <sys/types.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kindora::devserver {

// The real kindora-devserver could not be started or did not announce itself.
class DevServerProcessError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs the real `kindora-devserver` binary as a child process for end-to-end tests: launch() waits
// (bounded) for its "listening on http://127.0.0.1:P" line; the destructor stops it with SIGTERM.
class DevServerProcess {
public:
    static DevServerProcess launch(const std::filesystem::path& binary,
                                   const std::vector<std::string>& arguments,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(20));

    DevServerProcess(DevServerProcess&& other) noexcept;
    DevServerProcess& operator=(DevServerProcess&&) = delete;
    DevServerProcess(const DevServerProcess&) = delete;
    DevServerProcess& operator=(const DevServerProcess&) = delete;
    ~DevServerProcess();

    pid_t pid() const { return pid_; }
    int port() const { return port_; }
    // "http://127.0.0.1:P" or "https://127.0.0.1:P", as announced.
    const std::string& origin() const { return origin_; }

    // Sends `signal` and waits (bounded, then SIGKILL) for the process to end. Returns its exit code,
    // or 128 + the signal number when a signal ended it. Later calls return the same value.
    int terminate(int signal = SIGTERM, std::chrono::milliseconds timeout = std::chrono::seconds(20));

private:
    DevServerProcess(pid_t pid, int outputFd);

    pid_t pid_ = -1;
    int outputFd_ = -1;
    int port_ = 0;
    std::string origin_;
    std::optional<int> exitCode_;
};

// The port of an announcement line "listening on http://127.0.0.1:P" (or https), if it is one.
std::optional<int> portOfListeningLine(const std::string& line);

}  // namespace kindora::devserver
