#pragma once

#include <QLocalServer>
#include <QObject>

#include <chrono>
#include <filesystem>

#include "core/common/Log.hpp"

namespace kindora {

// Keeps one agent per user: two agents would forward every message twice. The first process holds an
// exclusive lock on "kindora.lock" in the data directory and listens on the local socket
// "kindora.socket" beside it; a later process finds the lock taken, asks the holder over the socket to
// show itself, and exits. The lock is the kernel's (flock), so it dies with its process and a lock file
// left by a crash never blocks a new start.
class SingleInstanceGuard final : public QObject {
    Q_OBJECT
public:
    enum class Role {
        primary,    // this process is the agent; activation requests arrive through the signal
        secondary,  // another agent runs and was asked to show itself (or could not be reached)
    };

    explicit SingleInstanceGuard(std::filesystem::path directory, QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    // Takes the lock, or hands over to the agent holding it. `waitForLock` lets a relaunched agent wait
    // for the process it replaces to exit first. Throws std::system_error when the lock file cannot be
    // opened at all.
    Role claim(std::chrono::milliseconds waitForLock = std::chrono::milliseconds(0));

    // Gives up the lock and the socket, for a relaunch that must let the new process in.
    void release();

signals:
    // Another `kindora` asked this one to show its window.
    void activationRequested();

private:
    bool tryLock();
    void listen();
    bool askPrimaryToActivate();

    const std::filesystem::path lockPath_;
    const std::filesystem::path socketPath_;
    int lockFd_ = -1;
    QLocalServer server_;
    const Log logger_{"AppDelegate"};
};

}  // namespace kindora
