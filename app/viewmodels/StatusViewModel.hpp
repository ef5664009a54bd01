#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <vector>

#include "app/viewmodels/SecondTicker.hpp"
#include "app/viewmodels/StatusSource.hpp"
#include "core/common/Date.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"

namespace kindora {

// The popover's screen and everything on it that follows the phase: which of the four screens shows,
// the header, the dashboard's figures and retry row, and the actions of those screens. It mirrors the
// source and forwards actions; the rules live in the core and in StatusTexts. While the popover shows,
// it refreshes once a second (the times of "Last sync" and "Heartbeat" read relative to now). Main
// thread only.
class StatusViewModel final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the desktop front end")
    Q_PROPERTY(Screen screen READ screen NOTIFY changed)
    Q_PROPERTY(QString healthLabel READ healthLabel NOTIFY changed)
    Q_PROPERTY(bool healthy READ healthy NOTIFY changed)
    Q_PROPERTY(QString degradedReason READ degradedReason NOTIFY changed)
    // The keyring holding the credentials is locked: the status row offers to unlock it.
    Q_PROPERTY(bool canUnlockKeyring READ canUnlockKeyring NOTIFY changed)
    Q_PROPERTY(QString pairingError READ pairingError NOTIFY changed)
    // A request for a pairing code is under way: the buttons that start one are disabled.
    Q_PROPERTY(bool pairingInProgress READ pairingInProgress NOTIFY changed)
    Q_PROPERTY(QString lastSync READ lastSync NOTIFY changed)
    Q_PROPERTY(QString sessionCount READ sessionCount NOTIFY changed)
    Q_PROPERTY(QString lifetimeCount READ lifetimeCount NOTIFY changed)
    Q_PROPERTY(QString heartbeat READ heartbeat NOTIFY changed)
    Q_PROPERTY(QString retryCaption READ retryCaption NOTIFY changed)
    Q_PROPERTY(QString version READ version CONSTANT)

public:
    // One per phase (capitalised, as QML reads enum values).
    enum class Screen { SignedOut, Pairing, Running, AccessMissing };
    Q_ENUM(Screen)

    StatusViewModel(StatusSource& source, std::function<Date()> now, MainQueue& queue,
                    QObject* parent = nullptr);

    Screen screen() const;
    QString healthLabel() const;
    bool healthy() const;
    QString degradedReason() const;
    bool canUnlockKeyring() const;
    QString pairingError() const;
    bool pairingInProgress() const { return source_.isPairingInProgress(); }
    QString lastSync() const;
    QString sessionCount() const;
    QString lifetimeCount() const;
    QString heartbeat() const;
    QString retryCaption() const;
    QString version() const;

    // Whether the popover is on screen: its clock runs only then.
    void setShown(bool shown);
    bool isTicking() const { return clock_.isRunning(); }

    Q_INVOKABLE void startPairing() { source_.startPairing(); }
    Q_INVOKABLE void syncNow() { source_.syncNow(); }
    Q_INVOKABLE void unlockKeyring() { source_.unlockKeyring(); }
    Q_INVOKABLE void openSetup() { source_.openSetup(); }
    // Opens the household web app.
    Q_INVOKABLE void openKindora() { source_.openWebApp(); }
    Q_INVOKABLE void checkAgain() { source_.checkAgain(); }
    Q_INVOKABLE void openFullDiskAccessSettings() { source_.openFullDiskAccessSettings(); }
    Q_INVOKABLE void relaunch() { source_.relaunch(); }
    Q_INVOKABLE void quit();

signals:
    void changed();

private:
    StatusSource& source_;
    std::function<Date()> now_;
    SecondTicker clock_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace kindora
