#include "app/windows/AlertPanelWindow.hpp"

#include <QCoreApplication>
#include <QQmlError>
#include <QScreen>

#include "app/platform/WorkingScreen.hpp"

namespace kindora {

namespace {

constexpr QSize panelSize(380, 260);

}  // namespace

AlertPanelWindow::AlertPanelWindow(QQmlEngine& engine, X11Topmost& topmost, InterruptPanelContent& content,
                                   QUrl source)
    : engine_(engine), topmost_(topmost), content_(content), source_(std::move(source)) {}

void AlertPanelWindow::create() {
    view_ = std::make_unique<QQuickView>(&engine_, nullptr);
    view_->setTitle(QCoreApplication::translate("AlertPanelWindow", "Kindora alert"));
    view_->setColor(QColor(0x1B, 0x1D, 0x24));
    // Bypassing the window manager is what keeps the panel above a full-screen window on X11; the hint
    // to stay on top serves the platforms where the bypass means nothing.
    view_->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                    Qt::X11BypassWindowManagerHint);
    view_->setResizeMode(QQuickView::SizeRootObjectToView);
    view_->resize(panelSize);
    view_->setInitialProperties({{QStringLiteral("alertPanel"), QVariant::fromValue(&content_)}});
    view_->setSource(source_);
    if (view_->status() != QQuickView::Ready || !view_->rootObject()) {
        loadFailed_ = true;
        QString errors;
        for (const QQmlError& error : view_->errors()) {
            errors += (errors.isEmpty() ? QString() : QStringLiteral("; ")) + error.toString();
        }
        logger_.error("The alert panel could not be loaded and is not shown: {}", errors.toStdString());
        return;
    }
    input_ = new PanelInputFilter(*view_);
}

bool AlertPanelWindow::canShow() {
    if (!view_) {
        create();
    }
    return !loadFailed_;
}

void AlertPanelWindow::show() {
    if (!canShow()) {
        return;
    }
    if (QScreen* screen = workingScreen()) {
        const QRect usable = screen->availableGeometry();
        view_->setPosition(usable.x() + (usable.width() - panelSize.width()) / 2,
                           usable.y() + (usable.height() - panelSize.height()) / 2);
        logger_.info("present: screen={}", screen->name().toStdString());
    }
    input_->restart();
    view_->show();
    topmost_.hold(*view_);
    view_->requestActivate();
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
