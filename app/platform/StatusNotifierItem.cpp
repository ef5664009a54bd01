#include "app/platform/StatusNotifierItem.hpp"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QIcon>
#include <QImage>
#include <QtEndian>

#include "app/platform/StatusNotifierWatch.hpp"
#include "core/common/Log.hpp"

namespace kindora {

namespace {

// Hosts pick the size nearest their panel's; these cover the usual panel heights.
constexpr int pixmapSizes[] = {16, 22, 32, 48};

StatusNotifierPixmaps render(const QString& imageName) {
    const QIcon icon(QStringLiteral(":/qml/images/%1.svg").arg(imageName));
    StatusNotifierPixmaps pixmaps;
    for (const int size : pixmapSizes) {
        const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) {
            continue;
        }
        StatusNotifierPixmap pixmap{image.width(), image.height(), {}};
        pixmap.pixels.resize(static_cast<qsizetype>(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<uchar*>(pixmap.pixels.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                qToBigEndian(line[x], out);
                out += 4;
            }
        }
        pixmaps.push_back(std::move(pixmap));
    }
    return pixmaps;
}

void registerTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<StatusNotifierPixmap>();
        qDBusRegisterMetaType<StatusNotifierPixmaps>();
        qDBusRegisterMetaType<StatusNotifierToolTip>();
        return true;
    }();
    (void)registered;
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierPixmap& pixmap) {
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.pixels;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierPixmap& pixmap) {
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.pixels;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& toolTip) {
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& toolTip) {
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument;
}

StatusNotifierItem::StatusNotifierItem(QDBusConnection connection,
                                       std::function<void(std::optional<QPoint>)> onActivated)
    : connection_(std::move(connection)), onActivated_(std::move(onActivated)) {
    registerTypes();
    exported_ = connection_.registerObject(QString::fromLatin1(objectPath), this,
                                           QDBusConnection::ExportAllSlots |
                                               QDBusConnection::ExportAllProperties |
                                               QDBusConnection::ExportAllSignals);
    if (!exported_) {
        static const Log log("AppDelegate");
        log.error("The tray item could not be put on the session bus");
    }
}

StatusNotifierItem::~StatusNotifierItem() {
    if (exported_) {
        connection_.unregisterObject(QString::fromLatin1(objectPath));
    }
}

void StatusNotifierItem::registerWithWatcher() {
    if (!exported_) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(StatusNotifierWatch::watcherService), QString::fromLatin1(StatusNotifierWatch::watcherPath),
        QString::fromLatin1(StatusNotifierWatch::watcherInterface), QStringLiteral("RegisterStatusNotifierItem"));
    call << connection_.baseService();
    // Sent without waiting for the answer: a watcher that is not there (or gone) answers with an error
    // nobody needs, and the watch calls this again when one appears.
    connection_.send(call);
}

void StatusNotifierItem::setImage(const QString& imageName) {
    pixmaps_ = render(imageName);
    Q_EMIT NewIcon();
}

StatusNotifierToolTip StatusNotifierItem::toolTip() const {
    return StatusNotifierToolTip{{}, {}, title(), {}};
}

void StatusNotifierItem::Activate(int x, int y) {
    if (onActivated_) {
        onActivated_(x == 0 && y == 0 ? std::nullopt : std::optional<QPoint>(QPoint(x, y)));
    }
}

void StatusNotifierItem::SecondaryActivate(int, int) {}

void StatusNotifierItem::ContextMenu(int x, int y) {
    // The agent has no menu: its popover is where everything is, whichever button opened it.
    Activate(x, y);
}

void StatusNotifierItem::Scroll(int, const QString&) {}

}  // namespace kindora
