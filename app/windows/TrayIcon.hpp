#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <string_view>

namespace kindora {

// The agent's icon in the system tray (StatusNotifierItem or XEmbed), showing the menu-bar image the
// agent chose: "ZovudIzud", "ZovudIzudAlert" or "ZovudIzudDND". A click reports where the icon is
// (an empty rectangle when the tray cannot say).
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(std::function<void(const QRect& iconGeometry)> onClicked);

    static bool isTrayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

    void setImage(std::string_view imageName);
    void show() { icon_.show(); }
    // The name of the image on show, for logs and tests.
    const QString& imageName() const { return imageName_; }

private:
    QSystemTrayIcon icon_;
    QString imageName_;
    std::function<void(const QRect&)> onClicked_;
};

}  // namespace kindora
