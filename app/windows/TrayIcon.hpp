#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QRect>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <string_view>

#include "app/platform/StatusNotifierItem.hpp"
#include "app/platform/StatusNotifierWatch.hpp"

namespace kindora {

// The agent's icon in the system tray, showing the menu-bar image the agent chose: "ZovudIzud",
// "ZovudIzudAlert" or "ZovudIzudDND", with the tooltip "Kindora". Where the session bus has a
// StatusNotifierWatcher with a host (KDE, GNOME with AppIndicator, Cinnamon, newer XFCE panels) it is a
// StatusNotifierItem of our own; otherwise Qt's icon in an XEmbed tray. A host that appears later,
// such as a panel that starts after the agent at login, gets the item then, in place of the XEmbed
// icon. Activating it reports where: the icon's rectangle, a 1x1 rectangle at the point the host gave,
// or an empty one when neither is known. Main thread only.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    TrayIcon(QDBusConnection sessionBus, std::function<void(const QRect& where)> onActivated);
    ~TrayIcon() override;

    // Whether a tray shows icons now (an XEmbed tray, or a StatusNotifier host as Qt saw it at start).
    static bool isTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

    void setImage(std::string_view imageName);
    void show();
    // The name of the image on show, for logs and tests.
    const QString& imageName() const { return imageName_; }

Q_SIGNALS:
    // A StatusNotifier host appeared: from now on there is a tray to open the popover from.
    void hostAppeared();

private:
    void hostAvailabilityChanged(bool available);
    void showXEmbedIcon();

    QDBusConnection bus_;
    std::function<void(const QRect&)> onActivated_;
    StatusNotifierWatch watch_;
    std::unique_ptr<StatusNotifierItem> item_;
    std::unique_ptr<QSystemTrayIcon> xembedIcon_;
    QString imageName_;
    bool shown_ = false;
};

}  // namespace kindora
