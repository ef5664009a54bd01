#include "app/windows/TakeoverWindows.hpp"

#include <QTimer>

namespace kindora {

namespace {

// The keyboard can be grabbed only once the window is viewable; the first tries may come too early.
constexpr int grabAttempts = 20;
constexpr int grabRetryMs = 25;

}  // namespace

TakeoverWindows::TakeoverWindows(QQmlEngine& engine, X11Topmost& topmost)
    : engine_(engine), topmost_(topmost) {}

TakeoverWindows::~TakeoverWindows() {
    if (takeover_) {
        takeover_->setKeyboardGrabEnabled(false);
    }
}

std::unique_ptr<QQuickView> TakeoverWindows::makeWindow(const char* source, const QString& title) {
    auto view = std::make_unique<QQuickView>(&engine_, nullptr);
    view->setTitle(title);
    view->setColor(QColor(0x10, 0x12, 0x16));
    view->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::X11BypassWindowManagerHint);
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    view->setSource(QUrl(QString::fromLatin1(source)));
    return view;
}

void TakeoverWindows::cover(const std::vector<QRect>& screens) {
    if (screens.empty()) {
        return;
    }
    if (!takeover_) {
        takeover_ = makeWindow("qrc:/qml/panels/MeetingTakeover.qml", QStringLiteral("Kindora meeting"));
    }
    frames_ = screens;
    takeover_->setGeometry(screens.front());
    const std::size_t others = screens.size() - 1;
    while (covers_.size() > others) {
        topmost_.release(*covers_.back());
        covers_.pop_back();
    }
    while (covers_.size() < others) {
        covers_.push_back(
            makeWindow("qrc:/qml/panels/MeetingCover.qml", QStringLiteral("Kindora meeting cover")));
    }
    for (std::size_t index = 0; index < others; ++index) {
        covers_[index]->setGeometry(screens[index + 1]);
        if (shown_ && !covers_[index]->isVisible()) {
            showCover(*covers_[index]);
        }
    }
    if (shown_) {
        topmost_.raiseAll();
    }
}

std::vector<QRect> TakeoverWindows::frames() const {
    return frames_;
}

void TakeoverWindows::showCover(QQuickView& cover) {
    cover.show();
    cover.raise();
    topmost_.hold(cover, /*wantsKeyboard=*/false);
}

void TakeoverWindows::show() {
    if (!takeover_) {
        takeover_ = makeWindow("qrc:/qml/panels/MeetingTakeover.qml", QStringLiteral("Kindora meeting"));
    }
    shown_ = true;
    for (auto& cover : covers_) {
        showCover(*cover);
    }
    takeover_->show();
    takeover_->raise();
    takeover_->requestActivate();
    topmost_.hold(*takeover_, /*wantsKeyboard=*/true);
    grabKeyboard(grabAttempts);
}

void TakeoverWindows::grabKeyboard(int attemptsLeft) {
    if (!takeover_ || !shown_) {
        return;
    }
    if (takeover_->isExposed() && takeover_->setKeyboardGrabEnabled(true)) {
        takeover_->requestActivate();
        return;
    }
    if (attemptsLeft > 0) {
        // The timer belongs to the window: it goes with it.
        QTimer::singleShot(grabRetryMs, takeover_.get(),
                           [this, attemptsLeft] { grabKeyboard(attemptsLeft - 1); });
    }
}

void TakeoverWindows::hide() {
    shown_ = false;
    if (takeover_) {
        takeover_->setKeyboardGrabEnabled(false);
        topmost_.release(*takeover_);
        takeover_->hide();
    }
    for (auto& cover : covers_) {
        topmost_.release(*cover);
        cover->hide();
    }
}

bool TakeoverWindows::isShown() const {
    return shown_;
}

std::vector<QQuickView*> TakeoverWindows::views() {
    std::vector<QQuickView*> result;
    if (takeover_) {
        result.push_back(takeover_.get());
    }
    for (auto& cover : covers_) {
        result.push_back(cover.get());
    }
    return result;
}

}  // namespace kindora
