#include "app/platform/StatusNotifierWatch.hpp"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace kindora {

StatusNotifierWatch::StatusNotifierWatch(QDBusConnection connection)
    : connection_(std::move(connection)),
      serviceWatcher_(QString::fromLatin1(watcherService), connection_,
                      QDBusServiceWatcher::WatchForOwnerChange) {
    connect(&serviceWatcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty()) {
                    ++question_;
                    settle(false, false);
                } else {
                    ask();  // a new watcher: whether it has a host yet, and the items register anew
                }
            });
    // From any sender: naming the watcher's service here would make Qt look its owner up, and wait.
    connection_.connect(QString(), QString::fromLatin1(watcherPath), QString::fromLatin1(watcherInterface),
                        QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(hostRegistered()));
    connection_.connect(QString(), QString::fromLatin1(watcherPath), QString::fromLatin1(watcherInterface),
                        QStringLiteral("StatusNotifierHostUnregistered"), this, SLOT(hostUnregistered()));
    ask();
}

void StatusNotifierWatch::hostRegistered() {
    ++question_;
    settle(true, false);
}

void StatusNotifierWatch::hostUnregistered() {
    ask();  // another host may still be registered
}

void StatusNotifierWatch::ask() {
    const unsigned question = ++question_;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(watcherService), QString::fromLatin1(watcherPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(watcherInterface) << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* pending = new QDBusPendingCallWatcher(connection_.asyncCall(get), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, question](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (question != question_) {
            return;
        }
        const QDBusPendingReply<QDBusVariant> reply = *call;
        // No watcher (the name has no owner) or one that cannot say: no host.
        settle(!reply.isError() && reply.value().variant().toBool(), true);
    });
}

void StatusNotifierWatch::settle(bool available, bool repeatWhenUnchanged) {
    const bool changed = hostAvailable_ != available;
    hostAvailable_ = available;
    if (changed || (available && repeatWhenUnchanged)) {
        Q_EMIT hostAvailabilityChanged(available);
    }
}

}  // namespace kindora
