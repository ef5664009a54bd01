#include "app/platform/NetworkPathLog.hpp"

#include <QNetworkInformation>

namespace kindora {

namespace {

// The status words of a network path: usable, unusable, or waiting for a connection to be made.
const char* statusText(QNetworkInformation::Reachability reachability) {
    switch (reachability) {
        case QNetworkInformation::Reachability::Online:
            return "satisfied";
        case QNetworkInformation::Reachability::Site:
        case QNetworkInformation::Reachability::Local:
        case QNetworkInformation::Reachability::Disconnected:
            return "unsatisfied";
        case QNetworkInformation::Reachability::Unknown:
            return "requiresConnection";
    }
    return "requiresConnection";
}

const char* interfaceText(QNetworkInformation::TransportMedium medium) {
    switch (medium) {
        case QNetworkInformation::TransportMedium::Ethernet:
            return "wiredEthernet";
        case QNetworkInformation::TransportMedium::WiFi:
            return "wifi";
        case QNetworkInformation::TransportMedium::Cellular:
            return "cellular";
        case QNetworkInformation::TransportMedium::Bluetooth:
            return "other";
        case QNetworkInformation::TransportMedium::Unknown:
            return "";
    }
    return "";
}

}  // namespace

NetworkPathLog::NetworkPathLog(QObject* parent) : QObject(parent) {}

void NetworkPathLog::start() {
    if (started_) {
        return;
    }
    started_ = true;
    // NetworkManager's backend by name: it is the default on Linux in Qt 6.4, but later Qt falls back
    // from it to other backends, down to a "dummy" one that reports nothing, which would log a path
    // that no one measured instead of saying that no backend is there.
    if (!QNetworkInformation::loadBackendByName(u"networkmanager") || !QNetworkInformation::instance()) {
        logger_.info("Network path monitor unavailable: no network information backend");
        return;
    }
    QNetworkInformation* information = QNetworkInformation::instance();
    connect(information, &QNetworkInformation::reachabilityChanged, this, &NetworkPathLog::logPath);
    connect(information, &QNetworkInformation::transportMediumChanged, this, &NetworkPathLog::logPath);
    connect(information, &QNetworkInformation::isMeteredChanged, this, &NetworkPathLog::logPath);
    logPath();
}

void NetworkPathLog::logPath() {
    const QNetworkInformation* information = QNetworkInformation::instance();
    if (!information) {
        return;
    }
    logger_.info("Network path changed: status={} isExpensive={} interfaces={}",
                 statusText(information->reachability()), information->isMetered() ? 1 : 0,
                 interfaceText(information->transportMedium()));
}

}  // namespace kindora
