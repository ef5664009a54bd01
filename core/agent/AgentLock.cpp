#include "core/agent/AgentLock.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>
#include <thread>

namespace kindora {
namespace {

struct Holder {
    pid_t pid = 0;
    std::string program;
};

// "PID PROGRAM\n" as the holder wrote it; empty while it has not written yet.
Holder readHolder(int descriptor) {
    char buffer[256] = {};
    const ssize_t length = ::pread(descriptor, buffer, sizeof buffer - 1, 0);
    Holder holder;
    if (length <= 0) {
        return holder;
    }
    const std::string text(buffer, static_cast<std::size_t>(length));
    const auto space = text.find(' ');
    try {
        holder.pid = static_cast<pid_t>(std::stol(text.substr(0, space)));
    } catch (const std::exception&) {
        return {};
    }
    if (space != std::string::npos) {
        holder.program = text.substr(space + 1);
        while (!holder.program.empty() && (holder.program.back() == '\n' || holder.program.back() == '\r')) {
            holder.program.pop_back();
        }
    }
    return holder;
}

bool isAlive(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

bool tryLock(int descriptor) {
    while (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace

AgentLock AgentLock::acquire(const std::filesystem::path& directory, std::string_view program,
                             bool waitForHolder) {
    const auto path = directory / fileName;
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        throw std::system_error(errno, std::generic_category(), "cannot open " + path.string());
    }
    // A holder that has just taken the lock writes its name a moment later: a few looks before
    // calling it unnamed.
    int unnamedLooks = 0;
    while (!tryLock(descriptor)) {
        const Holder holder = readHolder(descriptor);
        const bool named = holder.pid > 0;
        if (!named && ++unnamedLooks < 20) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        if (!waitForHolder || !isAlive(holder.pid)) {
            ::close(descriptor);
            throw AgentAlreadyRunningError(holder.pid, holder.program, directory.string());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::string record = std::to_string(::getpid()) + " " + std::string(program) + "\n";
    if (::ftruncate(descriptor, 0) != 0 ||
        ::pwrite(descriptor, record.data(), record.size(), 0) != static_cast<ssize_t>(record.size())) {
        // The lock holds without the record; a second agent is still refused, only less precisely.
    }
    return AgentLock(descriptor);
}

AgentLock::AgentLock(AgentLock&& other) noexcept : descriptor_(other.descriptor_) {
    other.descriptor_ = -1;
}

AgentLock::~AgentLock() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);  // closing the descriptor drops the flock
    }
}

}  // namespace kindora
