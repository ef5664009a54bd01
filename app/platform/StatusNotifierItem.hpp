#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

namespace kindora {

// One image of the item, as the tray host draws it: ARGB32 pixels in network byte order.
struct StatusNotifierPixmap {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using StatusNotifierPixmaps = QList<StatusNotifierPixmap>;

// The item's tooltip: an icon name, images, a title and a body text.
struct StatusNotifierToolTip {
    QString iconName;
    StatusNotifierPixmaps pixmaps;
    QString title;
    QString text;
};

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip);

// The agent's tray icon as a StatusNotifierItem on the session bus: the way KDE Plasma, GNOME's
// AppIndicator extension, Cinnamon and newer XFCE panels host tray icons. It is exported at
// /StatusNotifierItem under the connection's unique name, which it hands to the watcher with
// registerWithWatcher() (again whenever a watcher appears). Activating it reports the point the host
// gives, or nothing when the host gives none. Main thread only; nothing here waits on the bus.
class StatusNotifierItem final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(StatusNotifierPixmaps IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ iconName)
    Q_PROPERTY(StatusNotifierPixmaps OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ iconName)
    Q_PROPERTY(StatusNotifierPixmaps AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(StatusNotifierToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
public:
    static constexpr const char* objectPath = "/StatusNotifierItem";

    // `onActivated` gets the point the host gave, or nothing when it gave (0, 0).
    StatusNotifierItem(QDBusConnection connection, std::function<void(std::optional<QPoint>)> onActivated);
    ~StatusNotifierItem() override;
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    // False when the bus refused the object (another one at the path): the item cannot be shown.
    bool isExported() const { return exported_; }
    // Asks the watcher to show the item; fire and forget.
    void registerWithWatcher();
    // Shows the SVG image of that name from the application's resources.
    void setImage(const QString& imageName);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("kindora"); }
    QString title() const { return QStringLiteral("Kindora"); }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString iconName() const { return {}; }
    StatusNotifierPixmaps iconPixmap() const { return pixmaps_; }
    StatusNotifierPixmaps noPixmaps() const { return {}; }
    StatusNotifierToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return QDBusObjectPath(QStringLiteral("/NO_DBUSMENU")); }

public Q_SLOTS:
    // The host's calls: a click, a middle click, a right click, a scroll.
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);

Q_SIGNALS:
    void NewIcon();
    void NewToolTip();
    void NewTitle();
    void NewStatus(const QString& status);

private:
    QDBusConnection connection_;
    std::function<void(std::optional<QPoint>)> onActivated_;
    StatusNotifierPixmaps pixmaps_;
    bool exported_ = false;
};

}  // namespace kindora

Q_DECLARE_METATYPE(kindora::StatusNotifierPixmap)
Q_DECLARE_METATYPE(kindora::StatusNotifierToolTip)
