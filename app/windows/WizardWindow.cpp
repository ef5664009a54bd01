#include "app/windows/WizardWindow.hpp"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace kindora {

WizardWindow::WizardWindow(QQmlEngine& engine, std::function<void()> onClosedByUser)
    : view_(&engine, nullptr), onClosedByUser_(std::move(onClosedByUser)) {
    view_.setTitle(QCoreApplication::translate("WizardWindow", "Set Up Kindora"));
    view_.setColor(QColor(0x10, 0x12, 0x16));
    view_.setResizeMode(QQuickView::SizeRootObjectToView);
    view_.resize(480, 420);
    view_.installEventFilter(this);
}

void WizardWindow::load(const QVariantMap& properties) {
    view_.setInitialProperties(properties);
    view_.setSource(QUrl(QStringLiteral("qrc:/Kindora/WizardContent.qml")));
}

void WizardWindow::setShown(bool shown) {
    if (!shown) {
        view_.hide();
        return;
    }
    if (!view_.isVisible()) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect available = screen->availableGeometry();
            view_.setPosition(available.center() - QPoint(view_.width() / 2, view_.height() / 2));
        }
    }
    view_.show();
    view_.raise();
    view_.requestActivate();
}

bool WizardWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &view_ && event->type() == QEvent::Close) {
        // Keep the window for the next time; the wizard controller decides whether it shows.
        event->ignore();
        view_.hide();
        if (onClosedByUser_) {
            onClosedByUser_();
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kindora
