#include "app/platform/SingleInstanceGuard.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QLocalSocket>

#include <cerrno>
#include <string>
#include <system_error>
#include <thread>

namespace kindora {

namespace {

constexpr QByteArrayView activateRequest = "activate\n";

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(std::filesystem::path directory, QObject* parent)
    : QObject(parent), lockPath_(directory / "kindora.lock"), socketPath_(directory / "kindora.socket") {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    if (socket->readLine() == activateRequest.toByteArray()) {
                        logger_.info("Another launch asked the running agent to show itself");
                        emit activationRequested();
                    }
                }
            });
        }
    });
}

SingleInstanceGuard::~SingleInstanceGuard() {
    release();
}

SingleInstanceGuard::Role SingleInstanceGuard::claim(std::chrono::milliseconds waitForLock) {
    lockFd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        throw std::system_error(errno, std::generic_category(), "cannot open " + lockPath_.string());
    }
    const auto deadline = std::chrono::steady_clock::now() + waitForLock;
    while (!tryLock()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(lockFd_);
            lockFd_ = -1;
            if (!askPrimaryToActivate()) {
                logger_.error("Another Kindora holds {} but did not answer; not starting a second agent",
                              lockPath_.string());
            }
            return Role::secondary;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // The process id is for people looking at the file; the lock itself is what counts.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(lockFd_, 0) != 0 || ::write(lockFd_, pid.data(), pid.size()) < 0) {
        logger_.error("Cannot record the process id in {}", lockPath_.string());
    }
    listen();
    return Role::primary;
}

void SingleInstanceGuard::release() {
    server_.close();
    if (lockFd_ >= 0) {
        ::close(lockFd_);  // closing the descriptor drops the flock
        lockFd_ = -1;
    }
}

bool SingleInstanceGuard::tryLock() {
    while (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

void SingleInstanceGuard::listen() {
    const QString name = QString::fromStdString(socketPath_.string());
    // Holding the lock means any socket file left here belongs to a process that is gone.
    QLocalServer::removeServer(name);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name)) {
        logger_.error("Cannot listen for later launches on {}: {}", socketPath_.string(),
                      server_.errorString().toStdString());
    }
}

bool SingleInstanceGuard::askPrimaryToActivate() {
    const QString name = QString::fromStdString(socketPath_.string());
    // The holder may still be starting and not listen yet: try for a few seconds.
    for (int attempt = 0; attempt < 25; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(200)) {
            socket.write(activateRequest.toByteArray());
            const bool sent = socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return sent;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

}  // namespace kindora
