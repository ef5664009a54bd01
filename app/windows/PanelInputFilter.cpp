#include "app/windows/PanelInputFilter.hpp"

#include <QKeyEvent>
#include <QQuickItem>
#include <QQuickView>

namespace kindora {

PanelInputFilter::PanelInputFilter(QQuickView& view) : QObject(&view), view_(view) {
    arming_.setSingleShot(true);
    connect(&arming_, &QTimer::timeout, this, [this] {
        if (guard_.isArmed(InputGuard::Clock::now())) {
            showArmed(true);
        } else {
            arming_.start(static_cast<int>(guard_.untilArmed(InputGuard::Clock::now()).count()));
        }
    });
    view_.installEventFilter(this);
}

void PanelInputFilter::restart() {
    guard_.restart(InputGuard::Clock::now());
    showArmed(false);
    arming_.start(static_cast<int>(InputGuard::armingDelay.count()));
}

void PanelInputFilter::showArmed(bool armed) {
    if (QQuickItem* root = view_.rootObject()) {
        root->setProperty("inputArmed", armed);
    }
}

bool PanelInputFilter::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &view_) {
        return false;
    }
    return !allows(*event);
}

bool PanelInputFilter::allows(QEvent& event) {
    const auto now = InputGuard::Clock::now();
    switch (event.type()) {
        case QEvent::KeyPress: {
            const auto& key = static_cast<const QKeyEvent&>(event);
            return guard_.allowKeyPress(key.key(), key.isAutoRepeat(), now);
        }
        case QEvent::KeyRelease: {
            const auto& key = static_cast<const QKeyEvent&>(event);
            return guard_.allowKeyRelease(key.key(), key.isAutoRepeat());
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            if (!view_.isActive()) {
                view_.requestActivate();
            }
            return guard_.allowPointerPress(now);
        case QEvent::MouseButtonRelease:
            return guard_.allowPointerRelease();
        case QEvent::TouchBegin:
            return guard_.allowPointerPress(now);
        case QEvent::TouchEnd:
            return guard_.allowPointerRelease();
        default:
            return true;
    }
}

}  // namespace kindora
