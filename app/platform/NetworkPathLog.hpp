#pragma once

#include <QObject>

#include "core/common/Log.hpp"

namespace kindora {

// Logs every change of the network path (reachability, metered, transport) in category "Crash", so
// that a failing sync can be read against what the network did. It changes nothing else. Without a
// network-information backend (no NetworkManager) it logs that once.
class NetworkPathLog final : public QObject {
    Q_OBJECT
public:
    explicit NetworkPathLog(QObject* parent = nullptr);

    // Loads Qt's NetworkManager backend and logs the current path; later changes are logged as they come.
    void start();

private:
    void logPath();

    const Log logger_{"Crash"};
    bool started_ = false;
};

}  // namespace kindora
