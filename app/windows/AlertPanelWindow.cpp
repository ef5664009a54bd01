#include "app/windows/AlertPanelWindow.hpp"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

namespace kindora {

namespace {

constexpr QSize panelSize(380, 260);

}  // namespace

AlertPanelWindow::AlertPanelWindow(QQmlEngine& engine, X11Topmost& topmost)
    : engine_(engine), topmost_(topmost) {}

void AlertPanelWindow::create() {
    view_ = std::make_unique<QQuickView>(&engine_, nullptr);
    view_->setTitle(QStringLiteral("Kindora alert"));
    view_->setColor(QColor(0x1B, 0x1D, 0x24));
    // Bypassing the window manager is what keeps the panel above a full-screen window on X11; the hint
    // to stay on top serves the platforms where the bypass means nothing.
    view_->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                    Qt::X11BypassWindowManagerHint);
    view_->setResizeMode(QQuickView::SizeRootObjectToView);
    view_->resize(panelSize);
    view_->setSource(QUrl(QStringLiteral("qrc:/qml/panels/InterruptPanel.qml")));
    view_->installEventFilter(this);
}

bool AlertPanelWindow::eventFilter(QObject* watched, QEvent* event) {
    // No window manager hands the keyboard to a window it does not manage: a click asks for it.
    if (view_ && watched == view_.get() && event->type() == QEvent::MouseButtonPress && !view_->isActive()) {
        view_->requestActivate();
    }
    return false;
}

void AlertPanelWindow::show() {
    if (!view_) {
        create();
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen && !QGuiApplication::screens().isEmpty()) {
        screen = QGuiApplication::screens().front();
    }
    if (screen) {
        const QRect usable = screen->availableGeometry();
        view_->setPosition(usable.x() + (usable.width() - panelSize.width()) / 2,
                           usable.y() + (usable.height() - panelSize.height()) / 2);
    }
    view_->show();
    view_->raise();
    view_->requestActivate();
    topmost_.hold(*view_, /*wantsKeyboard=*/false);
}

void AlertPanelWindow::hide() {
    if (!view_) {
        return;
    }
    topmost_.release(*view_);
    view_->hide();
}

bool AlertPanelWindow::isShown() const {
    return view_ && view_->isVisible();
}

}  // namespace kindora
