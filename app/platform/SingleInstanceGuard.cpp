#include "app/platform/SingleInstanceGuard.hpp"

#include <QLocalSocket>

#include <thread>

namespace kindora {

namespace {

constexpr QByteArrayView activateRequest = "activate\n";
constexpr const char* socketName = "kindora.socket";

}  // namespace

SingleInstanceGuard::SingleInstanceGuard(std::filesystem::path directory, QObject* parent)
    : QObject(parent), socketPath_(directory / socketName) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            serve(socket);
        }
    });
}

SingleInstanceGuard::~SingleInstanceGuard() {
    release();
}

void SingleInstanceGuard::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    socket->setReadBufferSize(static_cast<qint64>(longestRequest));
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        // One line per connection, and a short one: whatever else arrives is never read.
        if (!socket->canReadLine() && socket->bytesAvailable() < static_cast<qint64>(longestRequest)) {
            return;  // the rest of the line is still on its way
        }
        const QByteArray line = socket->readLine(static_cast<qint64>(longestRequest));
        if (line == activateRequest.toByteArray()) {
            logger_.info("Another launch asked the running agent to show itself");
            emit activationRequested();
        }
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    });
}

void SingleInstanceGuard::listen() {
    const QString name = QString::fromStdString(socketPath_.string());
    QLocalServer::removeServer(name);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(name)) {
        logger_.error("Cannot listen for later launches on {}: {}", socketPath_.string(),
                      server_.errorString().toStdString());
    }
}

void SingleInstanceGuard::release() {
    server_.close();
}

bool SingleInstanceGuard::askRunningAgentToShow(const std::filesystem::path& directory) {
    const QString name = QString::fromStdString((directory / socketName).string());
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
