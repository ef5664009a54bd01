#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <QString>
#include <QTimer>
#include <QVariantList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/common/Date.hpp"
#include "core/common/Log.hpp"
#include "core/common/Observable.hpp"
#include "core/meetings/AutoJoinController.hpp"
#include "core/meetings/MeetingDisruptController.hpp"

namespace kindora {

// What the meeting takeover shows: the meeting (or the meetings taken over for together) that the
// meeting disrupt controller presents, a countdown to its start, and the ways out. The clock runs
// (ticking once a second) only while the takeover is on screen. Every action ends the whole takeover,
// every meeting taken over together. Main thread only.
class MeetingPanelContent final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the desktop front end")
    Q_PROPERTY(bool shown READ shown NOTIFY changed)
    Q_PROPERTY(bool together READ together NOTIFY changed)
    Q_PROPERTY(QVariantList meetings READ meetings NOTIFY changed)
    Q_PROPERTY(QString calendarLabel READ calendarLabel NOTIFY changed)
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString statusLine READ statusLine NOTIFY ticked)
    Q_PROPERTY(bool joinShown READ joinShown NOTIFY changed)
    Q_PROPERTY(bool autoJoinWillOpen READ autoJoinWillOpen NOTIFY ticked)
    Q_PROPERTY(QString autoJoinCaption READ autoJoinCaption NOTIFY ticked)

public:
    using URLOpener = std::function<void(const std::string& url)>;
    static constexpr const char* autoJoinCaptionText =
        QT_TR_NOOP("Auto-join opens this at start. Hide keeps that; Don't auto-join cancels it.");

    // `autoJoin` may be absent (no automatic joining at all); `openURL` hands a link to the desktop.
    MeetingPanelContent(MeetingDisruptController& controller, AutoJoinController* autoJoin, URLOpener openURL,
                        std::function<Date()> now, QObject* parent = nullptr);

    bool shown() const { return controller_.presentedMeeting().has_value(); }
    bool together() const { return controller_.presentedMeetings().size() > 1; }
    // Every meeting taken over for: {title, label} each.
    QVariantList meetings() const;
    QString calendarLabel() const;
    QString title() const;
    QString statusLine() const;
    bool joinShown() const;
    bool autoJoinWillOpen() const;
    QString autoJoinCaption() const;

    // The clock: set to the current time and ticking once a second from start() until stop().
    void start();
    void stop();
    bool isTicking() const { return timer_.isActive(); }
    Date now() const { return now_; }

    Q_INVOKABLE void join();
    Q_INVOKABLE void hide();
    Q_INVOKABLE void dontAutoJoin();
    Q_INVOKABLE void dismiss();

signals:
    void changed();
    // Every second while ticking, and whenever `changed` is.
    void ticked();

private:
    void suppressAutoJoinForAll(AutoJoinSuppression reason);
    // Logs, once per meeting, that its link is not offered (by scheme and host only).
    void noteLinkNotOffered();
    void dismissTakeover();

    MeetingDisruptController& controller_;
    AutoJoinController* const autoJoin_;
    URLOpener openURL_;
    std::function<Date()> clock_;
    Date now_;
    QTimer timer_;
    std::vector<Subscription> subscriptions_;
    std::optional<std::string> linkNotedFor_;
    const Log logger_{"MeetingPanel"};
};

}  // namespace kindora
