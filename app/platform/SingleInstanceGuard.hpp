#pragma once

#include <QLocalServer>
#include <QObject>

#include <cstddef>
#include <filesystem>

#include "core/common/Log.hpp"

namespace kindora {

// The hand-over between two launches of `kindora`: the agent that holds the data directory (its
// AgentLock) listens on the local socket "kindora.socket" there; a later launch that finds the
// directory taken by a `kindora` asks it over the socket to show itself, then exits. Each connection
// is read for one short line at most ("activate"), then closed, so nothing another local program
// writes there can make the agent buffer without limit.
class SingleInstanceGuard final : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t longestRequest = 64;

    explicit SingleInstanceGuard(std::filesystem::path directory, QObject* parent = nullptr);
    ~SingleInstanceGuard() override;

    // Listens for later launches. Only the holder of the data directory's lock calls it: any socket
    // file found there belongs to a process that is gone.
    void listen();
    // Stops listening (a relaunch lets the new process in).
    void release();

    // Asks the agent holding `directory` to show itself, trying for a few seconds while it may still
    // be starting. False when it did not answer.
    static bool askRunningAgentToShow(const std::filesystem::path& directory);

signals:
    // Another `kindora` asked this one to show its window.
    void activationRequested();

private:
    void serve(class QLocalSocket* socket);

    const std::filesystem::path socketPath_;
    QLocalServer server_;
    const Log logger_{"AppDelegate"};
};

}  // namespace kindora
