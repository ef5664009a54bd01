#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <QString>
#include <QVariantList>

#include <functional>

#include "core/common/Date.hpp"
#include "core/common/Observable.hpp"
#include "core/interrupts/InterruptController.hpp"

namespace kindora {

// What the alert panel shows: the presented alert or group of alerts of the interrupt controller, and
// the actions on it. Holds no state of its own: every property is read from the controller, and every
// action is a call on it, applied by the controller to the whole presented group. Main thread only.
class InterruptPanelContent final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the desktop front end")
    Q_PROPERTY(bool shown READ shown NOTIFY changed)
    Q_PROPERTY(QString badge READ badge NOTIFY changed)
    Q_PROPERTY(bool critical READ critical NOTIFY changed)
    Q_PROPERTY(QString moreAlertsLabel READ moreAlertsLabel NOTIFY changed)
    Q_PROPERTY(bool isGroup READ isGroup NOTIFY changed)
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString body READ body NOTIFY changed)
    Q_PROPERTY(QString caption READ caption NOTIFY changed)
    Q_PROPERTY(QString groupHeading READ groupHeading NOTIFY changed)
    Q_PROPERTY(QVariantList groupRows READ groupRows NOTIFY changed)
    Q_PROPERTY(QString moreCopies READ moreCopies NOTIFY changed)
    Q_PROPERTY(QString resolutionHint READ resolutionHint NOTIFY changed)
    Q_PROPERTY(QString actionError READ actionError NOTIFY changed)
    Q_PROPERTY(bool acknowledgeShown READ acknowledgeShown NOTIFY changed)
    Q_PROPERTY(bool resolveShown READ resolveShown NOTIFY changed)
    Q_PROPERTY(bool inFlight READ inFlight NOTIFY changed)

public:
    static constexpr const char* resolutionHintText =
        QT_TR_NOOP("This alert requires a resolution - Acknowledge is disabled below.");

    InterruptPanelContent(InterruptController& controller, std::function<Date()> now,
                          QObject* parent = nullptr);

    bool shown() const { return controller_.presentedInterrupt().has_value(); }
    QString badge() const;
    bool critical() const;
    QString moreAlertsLabel() const;
    bool isGroup() const { return controller_.presentedGroup().size() > 1; }
    QString title() const;
    QString body() const;
    // "<source> • <when raised>"
    QString caption() const;
    QString groupHeading() const;
    // The first three members: {title, source} each.
    QVariantList groupRows() const;
    QString moreCopies() const;
    QString resolutionHint() const;
    QString actionError() const;
    bool acknowledgeShown() const;
    bool resolveShown() const;
    bool inFlight() const { return controller_.isActionInFlight(); }

    Q_INVOKABLE void acknowledge();
    Q_INVOKABLE void resolve();
    Q_INVOKABLE void dismiss();

signals:
    void changed();

private:
    bool anyMember(bool Interrupt::*flag) const;

    InterruptController& controller_;
    std::function<Date()> now_;
    Subscription subscription_;
};

}  // namespace kindora
