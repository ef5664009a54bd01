#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kindora::testing {

// A program the test starts and ends itself (a sound server, a recorder, a lock holder). The
// destructor kills it and reaps it, so that no child outlives its test.
class ChildProcess {
public:
    // Starts `arguments[0]` (looked up in PATH) with the test's environment. Throws std::system_error.
    explicit ChildProcess(const std::vector<std::string>& arguments);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return pid_; }
    // Sends `signal` and waits for the process to end.
    void stop(int signal);

private:
    pid_t pid_ = -1;
};

}  // namespace kindora::testing
