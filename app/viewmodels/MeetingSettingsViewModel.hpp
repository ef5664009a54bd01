#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <QStringList>

#include <functional>

#include "app/viewmodels/LaunchAtLoginSwitch.hpp"
#include "core/lifecycle/LoginItemService.hpp"
#include "core/meetings/MeetingDisruptController.hpp"

namespace kindora {

// The meeting switches, the lead-time picker and the launch-at-login switch, shared by the dashboard
// and the wizard's preferences step. Each change writes the whole preferences value back through the
// meeting disrupt controller, which saves it. Main thread only.
class MeetingSettingsViewModel final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the desktop front end")
    Q_PROPERTY(bool disruptEnabled READ disruptEnabled WRITE setDisruptEnabled NOTIFY changed)
    Q_PROPERTY(int leadTimeIndex READ leadTimeIndex WRITE setLeadTimeIndex NOTIFY changed)
    Q_PROPERTY(QStringList leadTimeLabels READ leadTimeLabels CONSTANT)
    Q_PROPERTY(bool autoJoinEnabled READ autoJoinEnabled WRITE setAutoJoinEnabled NOTIFY changed)
    Q_PROPERTY(bool presenceSuppressionEnabled READ presenceSuppressionEnabled WRITE
                   setPresenceSuppressionEnabled NOTIFY changed)
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(QString launchAtLoginError READ launchAtLoginError NOTIFY launchAtLoginChanged)

public:
    MeetingSettingsViewModel(MeetingDisruptController& meetings, LoginItemService& loginItems,
                             QObject* parent = nullptr);

    bool disruptEnabled() const { return preferences().isDisruptEnabled; }
    void setDisruptEnabled(bool on);
    int leadTimeIndex() const;
    void setLeadTimeIndex(int index);
    QStringList leadTimeLabels() const;
    bool autoJoinEnabled() const { return preferences().isAutoJoinEnabled; }
    void setAutoJoinEnabled(bool on);
    bool presenceSuppressionEnabled() const { return preferences().isPresenceSuppressionEnabled; }
    void setPresenceSuppressionEnabled(bool on);

    bool launchAtLogin() const { return launchAtLogin_.isOn(); }
    QString launchAtLoginError() const;
    // The user flipped the launch-at-login switch.
    Q_INVOKABLE void setLaunchAtLogin(bool on);
    // Reads the login item again, when a view with the switch appears.
    Q_INVOKABLE void reload();

signals:
    void changed();
    void launchAtLoginChanged();

private:
    const MeetingPreferences& preferences() const { return meetings_.preferences(); }
    void update(const std::function<void(MeetingPreferences&)>& change);

    MeetingDisruptController& meetings_;
    LaunchAtLoginSwitch launchAtLogin_;
    Subscription subscription_;
};

}  // namespace kindora
