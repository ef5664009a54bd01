#include "tests/app/ChildProcess.hpp"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <system_error>

extern char** environ;

namespace kindora::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const int error = ::posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ);
    if (error != 0) {
        throw std::system_error(error, std::generic_category(), "cannot start " + arguments.front());
    }
}

ChildProcess::~ChildProcess() {
    stop(SIGKILL);
}

void ChildProcess::stop(int signal) {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, signal);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

}  // namespace kindora::testing
