#include "app/windows/PopoverWindow.hpp"

#include <QCursor>
#include <QQuickItem>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace kindora {

namespace {

constexpr int gap = 6;                 // between the icon and the popover
constexpr qint64 reopenGuardMs = 300;  // a tray click right after a focus-loss close only closes

}  // namespace

PopoverWindow::PopoverWindow(QQmlEngine& engine, Mode mode, std::function<void(bool)> onVisibleChanged)
    : mode_(mode), view_(&engine, nullptr), onVisibleChanged_(std::move(onVisibleChanged)) {
    view_.setResizeMode(QQuickView::SizeViewToRootObject);
    view_.setColor(QColor(0x10, 0x12, 0x16));
    view_.setTitle(QStringLiteral("Kindora"));
    applyMode();
    connect(&view_, &QWindow::activeChanged, this, [this] {
        if (mode_ == Mode::popover && !view_.isActive() && view_.isVisible()) {
            closedByFocusLoss_.start();
            close();
        }
    });
    // Queued from the render thread: the time includes the main thread hearing of the frame.
    connect(&view_, &QQuickWindow::frameSwapped, this, [this] {
        if (awaitingFirstFrame_) {
            awaitingFirstFrame_ = false;
            logger_.info("first frame {} ms after the request to open", openedAt_.elapsed());
        }
    });
    connect(&view_, &QWindow::visibleChanged, this, [this](bool visible) {
        if (!visible) {
            applyMode();  // a mode changed while open (a tray that appeared) applies from now on
        }
        if (onVisibleChanged_) {
            onVisibleChanged_(visible);
        }
    });
}

void PopoverWindow::load(const QVariantMap& properties) {
    view_.setInitialProperties(properties);
    view_.setSource(QUrl(QStringLiteral("qrc:/Kindora/Popover.qml")));
    if (QQuickItem* root = view_.rootObject()) {
        connect(root, SIGNAL(closeRequested()), this, SLOT(close()));
    }
}

void PopoverWindow::setMode(Mode mode) {
    mode_ = mode;
    if (!view_.isVisible()) {
        applyMode();
    }
}

void PopoverWindow::applyMode() {
    const Qt::WindowFlags flags = mode_ == Mode::popover
                                      ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                      : Qt::WindowFlags(Qt::Window);
    if (view_.flags() != flags) {
        view_.setFlags(flags);
    }
}

void PopoverWindow::toggle(const QRect& iconGeometry) {
    if (view_.isVisible()) {
        close();
        return;
    }
    if (closedByFocusLoss_.isValid() && closedByFocusLoss_.elapsed() < reopenGuardMs) {
        return;
    }
    open(iconGeometry);
}

void PopoverWindow::open(const QRect& iconGeometry) {
    openedAt_.start();
    awaitingFirstFrame_ = true;
    place(iconGeometry);
    view_.show();
    view_.raise();
    view_.requestActivate();
}

void PopoverWindow::close() {
    view_.hide();
}

void PopoverWindow::place(const QRect& iconGeometry) {
    const bool knowsIcon = mode_ == Mode::popover && iconGeometry.isValid() && !iconGeometry.isEmpty();
    const QPoint anchor = knowsIcon ? iconGeometry.center() : QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    if (!screen) {
        return;  // no screen at all: leave the position to the window system
    }
    const QRect available = screen->availableGeometry();
    const QSize size = view_.size().isEmpty() ? view_.initialSize() : view_.size();
    QPoint topLeft;
    if (mode_ == Mode::normalWindow) {
        topLeft = available.center() - QPoint(size.width() / 2, size.height() / 2);
    } else {
        // Below an icon in the top half of the screen, above one in the bottom half.
        const bool below = anchor.y() < available.center().y();
        const int y = below ? (knowsIcon ? iconGeometry.bottom() : anchor.y()) + gap
                            : (knowsIcon ? iconGeometry.top() : anchor.y()) - gap - size.height();
        topLeft = QPoint(anchor.x() - size.width() / 2, y);
    }
    topLeft.setX(std::clamp(topLeft.x(), available.left(),
                            std::max(available.left(), available.right() - size.width())));
    topLeft.setY(std::clamp(topLeft.y(), available.top(),
                            std::max(available.top(), available.bottom() - size.height())));
    view_.setPosition(topLeft);
}

}  // namespace kindora
