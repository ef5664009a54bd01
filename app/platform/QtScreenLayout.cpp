#include "app/platform/QtScreenLayout.hpp"

#include "app/platform/WorkingScreen.hpp"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace kindora {

QtScreenLayout::QtScreenLayout(QObject* parent) : QObject(parent) {
    coalesce_.setSingleShot(true);
    coalesce_.setInterval(0);
    connect(&coalesce_, &QTimer::timeout, this, [this] {
        if (onChanged_) {
            onChanged_();
        }
    });
    const auto changed = [this] { coalesce_.start(); };
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this, changed](QScreen* screen) {
        watch(screen);
        changed();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, changed);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, changed);
    for (QScreen* screen : QGuiApplication::screens()) {
        watch(screen);
    }
}

void QtScreenLayout::watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { coalesce_.start(); });
}

std::vector<QRect> QtScreenLayout::frames() const {
    std::vector<QRect> frames;
    QScreen* primary = QGuiApplication::primaryScreen();
    auto screens = QGuiApplication::screens();
    // Qt stands in a fake screen of zero size when no monitor is connected: that is no screen at all.
    screens.removeIf([](QScreen* screen) { return screen->geometry().isEmpty(); });
    std::stable_sort(screens.begin(), screens.end(), [primary](QScreen* a, QScreen* b) {
        if ((a == primary) != (b == primary)) {
            return a == primary;
        }
        const QRect ga = a->geometry();
        const QRect gb = b->geometry();
        return ga.x() != gb.x() ? ga.x() < gb.x() : ga.y() < gb.y();
    });
    for (QScreen* screen : screens) {
        frames.push_back(screen->geometry());
    }
    return frames;
}

std::optional<QRect> QtScreenLayout::workingScreen() const {
    QScreen* screen = kindora::workingScreen();
    if (!screen || screen->geometry().isEmpty()) {
        return std::nullopt;
    }
    return screen->geometry();
}

void QtScreenLayout::setOnChanged(std::function<void()> onChanged) {
    onChanged_ = std::move(onChanged);
}

}  // namespace kindora
