#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace kindora {

// Turns SIGTERM and SIGINT (a session ending, Ctrl-C) into a normal quit of the event loop, so that
// the agent stops its loops and threads before the process ends instead of dying in the middle of a
// tick. The handler only writes a byte to a socket; the event loop does the rest.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    TerminationSignals();
    ~TerminationSignals() override;

signals:
    void received();

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace kindora
