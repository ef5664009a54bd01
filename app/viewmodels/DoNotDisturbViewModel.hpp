#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <QStringList>

#include <functional>
#include <vector>

#include "app/viewmodels/SecondTicker.hpp"
#include "core/common/Date.hpp"
#include "core/common/MainQueue.hpp"
#include "core/common/Observable.hpp"
#include "core/interrupts/DoNotDisturbController.hpp"
#include "core/interrupts/InterruptController.hpp"

namespace kindora {

// The do-not-disturb section: on or off, the time left (counting down once a second while the section
// is on screen, and not at all otherwise), the
// alerts waiting behind it (or waiting because the alert panel cannot be shown at all), and the presets
// to turn it on with. Main thread only.
class DoNotDisturbViewModel final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the desktop front end")
    Q_PROPERTY(bool active READ active NOTIFY changed)
    Q_PROPERTY(QString remaining READ remaining NOTIFY changed)
    Q_PROPERTY(QString alertsWaiting READ alertsWaiting NOTIFY changed)
    Q_PROPERTY(QStringList presetLabels READ presetLabels CONSTANT)
    // Set by the view: whether it is on screen.
    Q_PROPERTY(bool shown READ shown WRITE setShown NOTIFY shownChanged)

public:
    // `alertPanelCanShow` tells whether the alert panel can be shown at all; absent means it can.
    DoNotDisturbViewModel(DoNotDisturbController& dnd, InterruptController& interrupts,
                          std::function<Date()> now, MainQueue& queue, std::function<bool()> alertPanelCanShow = {},
                          QObject* parent = nullptr);

    bool active() const;
    QString remaining() const;
    QString alertsWaiting() const;
    QStringList presetLabels() const;
    bool shown() const { return clock_.isRunning(); }
    void setShown(bool shown);

    // Turns do-not-disturb on for the preset at `index` of presetLabels.
    Q_INVOKABLE void enable(int index);
    Q_INVOKABLE void disable();

signals:
    void changed();
    void shownChanged();

private:
    DoNotDisturbController& dnd_;
    InterruptController& interrupts_;
    std::function<bool()> alertPanelCanShow_;
    std::function<Date()> now_;
    SecondTicker clock_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace kindora
