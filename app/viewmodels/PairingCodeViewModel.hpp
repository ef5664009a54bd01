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

// A pairing code as one view shows it (the popover's pairing screen, the wizard's pairing step): the
// code, where to enter it, "Code expires in m:ss" counting down once a second while the view is on
// screen, and "Code expired" once it has, without waiting for the pairing flow to notice. Each view
// has its own, so that each counts while it is shown. Main thread only.
class PairingCodeViewModel final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the desktop front end")
    Q_PROPERTY(QString code READ code NOTIFY changed)
    Q_PROPERTY(QString instruction READ instruction CONSTANT)
    Q_PROPERTY(QString expiry READ expiry NOTIFY changed)
    // Set by the view: whether it is on screen.
    Q_PROPERTY(bool shown READ shown WRITE setShown NOTIFY shownChanged)

public:
    PairingCodeViewModel(StatusSource& source, std::function<Date()> now, MainQueue& queue,
                         QObject* parent = nullptr);

    QString code() const;
    QString instruction() const;
    QString expiry() const;
    bool shown() const { return clock_.isRunning(); }
    void setShown(bool shown);

    // Puts the code on the clipboard as plain text.
    Q_INVOKABLE void copy();
    Q_INVOKABLE void cancel() { source_.cancelPairing(); }

signals:
    void changed();
    void shownChanged();

private:
    StatusSource& source_;
    std::function<Date()> now_;
    SecondTicker clock_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace kindora
