#include "app/windows/TrayIcon.hpp"

#include <QIcon>

#include "core/common/Log.hpp"

namespace kindora {

TrayIcon::TrayIcon(std::function<void(const QRect&)> onClicked) : onClicked_(std::move(onClicked)) {
    icon_.setToolTip(QStringLiteral("Kindora"));
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick ||
            reason == QSystemTrayIcon::Context) {
            onClicked_(icon_.geometry());
        }
    });
}

void TrayIcon::setImage(std::string_view imageName) {
    const QString name = QString::fromUtf8(imageName.data(), static_cast<qsizetype>(imageName.size()));
    if (name == imageName_) {
        return;
    }
    imageName_ = name;
    icon_.setIcon(QIcon(QStringLiteral(":/qml/images/%1.svg").arg(name)));
    static const Log log("AppDelegate");
    log.info("Menu-bar image: {}", imageName);
}

}  // namespace kindora
