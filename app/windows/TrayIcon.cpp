#include "app/windows/TrayIcon.hpp"

#include <QIcon>

#include "core/common/Log.hpp"

namespace kindora {

namespace {

const Log& logger() {
    static const Log log("AppDelegate");
    return log;
}

}  // namespace

TrayIcon::TrayIcon(QDBusConnection sessionBus, std::function<void(const QRect&)> onActivated)
    : bus_(std::move(sessionBus)), onActivated_(std::move(onActivated)), watch_(bus_) {
    connect(&watch_, &StatusNotifierWatch::hostAvailabilityChanged, this,
            [this](bool available) { hostAvailabilityChanged(available); });
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::setImage(std::string_view imageName) {
    const QString name = QString::fromUtf8(imageName.data(), static_cast<qsizetype>(imageName.size()));
    if (name == imageName_) {
        return;
    }
    imageName_ = name;
    if (item_) {
        item_->setImage(name);
    }
    if (xembedIcon_) {
        xembedIcon_->setIcon(QIcon(QStringLiteral(":/qml/images/%1.svg").arg(name)));
    }
    logger().info("Menu-bar image: {}", imageName);
}

void TrayIcon::show() {
    shown_ = true;
    if (watch_.hostAvailable() == true) {
        hostAvailabilityChanged(true);
    } else if (watch_.hostAvailable() == false) {
        showXEmbedIcon();
    }
    // Otherwise the watch's first answer decides, soon.
}

void TrayIcon::hostAvailabilityChanged(bool available) {
    if (!shown_) {
        return;
    }
    if (!available) {
        // The item stays exported and registers again when a watcher with a host comes back; before
        // any host was seen, Qt's icon serves an XEmbed tray.
        if (!item_) {
            showXEmbedIcon();
        }
        return;
    }
    const bool appeared = !item_;
    if (appeared) {
        item_ = std::make_unique<StatusNotifierItem>(bus_, [this](std::optional<QPoint> point) {
            onActivated_(point ? QRect(*point, QSize(1, 1)) : QRect());
        });
        if (!item_->isExported()) {
            item_.reset();
            showXEmbedIcon();
            return;
        }
        item_->setImage(imageName_);
        xembedIcon_.reset();
    }
    item_->registerWithWatcher();
    logger().info("Tray icon: a StatusNotifierItem, registered with the watcher");
    if (appeared) {
        Q_EMIT hostAppeared();
    }
}

void TrayIcon::showXEmbedIcon() {
    if (xembedIcon_ || !QSystemTrayIcon::isSystemTrayAvailable()) {
        return;
    }
    xembedIcon_ = std::make_unique<QSystemTrayIcon>();
    xembedIcon_->setToolTip(QStringLiteral("Kindora"));
    if (!imageName_.isEmpty()) {
        xembedIcon_->setIcon(QIcon(QStringLiteral(":/qml/images/%1.svg").arg(imageName_)));
    }
    connect(xembedIcon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick ||
                    reason == QSystemTrayIcon::Context) {
                    onActivated_(xembedIcon_->geometry());
                }
            });
    xembedIcon_->show();
    logger().info("Tray icon: in the XEmbed tray");
}

}  // namespace kindora
