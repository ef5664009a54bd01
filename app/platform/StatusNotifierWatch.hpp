#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>

#include <optional>

namespace kindora {

// Whether the session bus has a StatusNotifierWatcher with a registered host (a panel that shows
// StatusNotifierItems), followed as it changes: the watcher's name may get an owner late (a panel that
// starts after the agent at login), lose it (a panel restart) and see its host register later. Every
// question to the bus is asynchronous. Main thread only.
class StatusNotifierWatch final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* watcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* watcherPath = "/StatusNotifierWatcher";
    static constexpr const char* watcherInterface = "org.kde.StatusNotifierWatcher";

    explicit StatusNotifierWatch(QDBusConnection connection);

    // Nothing until the first answer; then whether a host is there.
    std::optional<bool> hostAvailable() const { return hostAvailable_; }

Q_SIGNALS:
    // The first answer, and every change. `available` repeats when a new watcher with a host appears,
    // since items must register with each watcher anew.
    void hostAvailabilityChanged(bool available);

private Q_SLOTS:
    void hostRegistered();
    void hostUnregistered();

private:
    void ask();
    void settle(bool available, bool repeatWhenUnchanged);

    QDBusConnection connection_;
    QDBusServiceWatcher serviceWatcher_;
    std::optional<bool> hostAvailable_;
    // Answers to an older question are ignored, so that a slow reply cannot undo a newer signal.
    unsigned question_ = 0;
};

}  // namespace kindora
