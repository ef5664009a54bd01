#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <vector>

#include "app/platform/DesktopActions.hpp"
#include "core/agent/Agent.hpp"
#include "core/common/Observable.hpp"

namespace kindora {

// The popover's screen and everything on it that follows the phase: which of the four screens shows,
// the header, the pairing code and its countdown, the dashboard's figures and retry row, and the
// actions of those screens. It mirrors the agent's observables and forwards actions; the rules live in
// the core and in StatusTexts. Main thread only.
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
    Q_PROPERTY(QString pairingCode READ pairingCode NOTIFY changed)
    Q_PROPERTY(QString pairingInstruction READ pairingInstruction CONSTANT)
    Q_PROPERTY(QString pairingExpiry READ pairingExpiry NOTIFY clockTicked)
    Q_PROPERTY(QString pairingError READ pairingError NOTIFY changed)
    Q_PROPERTY(bool pairingInProgress READ pairingInProgress NOTIFY changed)
    Q_PROPERTY(QString lastSync READ lastSync NOTIFY changed)
    Q_PROPERTY(QString sessionCount READ sessionCount NOTIFY changed)
    Q_PROPERTY(QString lifetimeCount READ lifetimeCount NOTIFY changed)
    Q_PROPERTY(QString heartbeat READ heartbeat NOTIFY changed)
    Q_PROPERTY(QString retryCaption READ retryCaption NOTIFY changed)
    Q_PROPERTY(QString version READ version CONSTANT)
    // Ticks once a second while the popover shows a countdown.
    Q_PROPERTY(bool visible READ visible WRITE setVisible NOTIFY visibleChanged)

public:
    // One per phase (capitalised, as QML reads enum values).
    enum class Screen { SignedOut, Pairing, Running, AccessMissing };
    Q_ENUM(Screen)

    StatusViewModel(Agent& agent, DesktopActions& actions, QObject* parent = nullptr);

    Screen screen() const;
    QString healthLabel() const;
    bool healthy() const;
    QString degradedReason() const;
    bool canUnlockKeyring() const;
    QString pairingCode() const;
    QString pairingInstruction() const;
    QString pairingExpiry() const;
    QString pairingError() const;
    bool pairingInProgress() const;
    QString lastSync() const;
    QString sessionCount() const;
    QString lifetimeCount() const;
    QString heartbeat() const;
    QString retryCaption() const;
    QString version() const;
    bool visible() const { return visible_; }
    void setVisible(bool visible);

    Q_INVOKABLE void startPairing();
    Q_INVOKABLE void cancelPairing();
    // Puts the pairing code on the clipboard as plain text.
    Q_INVOKABLE void copyPairingCode();
    Q_INVOKABLE void syncNow();
    // "Unlock Keyring…": the one way the agent asks for the keyring's unlock prompt.
    Q_INVOKABLE void unlockKeyring();
    Q_INVOKABLE void openSetup();
    // Opens the household web app.
    Q_INVOKABLE void openKindora();
    // "Check Again" on the access screen: the phase is derived again from fresh facts.
    Q_INVOKABLE void checkAgain();
    Q_INVOKABLE void openFullDiskAccessSettings();
    Q_INVOKABLE void relaunch();
    Q_INVOKABLE void quit();

signals:
    void changed();
    void clockTicked();
    void visibleChanged();

private:
    Agent& agent_;
    DesktopActions& actions_;
    QTimer clock_;
    bool visible_ = false;
    std::vector<Subscription> subscriptions_;
};

}  // namespace kindora
