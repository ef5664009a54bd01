#include "app/windows/TakeoverWindows.hpp"

#include <QCoreApplication>
#include <QQmlError>

namespace kindora {

TakeoverWindows::TakeoverWindows(QQmlEngine& engine, X11Topmost& topmost, MeetingPanelContent& content,
                                 QUrl takeoverSource, QUrl coverSource)
    : engine_(engine),
      topmost_(topmost),
      content_(content),
      takeoverSource_(std::move(takeoverSource)),
      coverSource_(std::move(coverSource)) {}

std::unique_ptr<QQuickView> TakeoverWindows::makeWindow(const QUrl& source, const QString& title) {
    auto view = std::make_unique<QQuickView>(&engine_, nullptr);
    view->setTitle(title);
    view->setColor(QColor(0x10, 0x12, 0x16));
    view->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::X11BypassWindowManagerHint);
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    view->setInitialProperties({{QStringLiteral("takeover"), QVariant::fromValue(&content_)}});
    view->setSource(source);
    if (view->status() != QQuickView::Ready || !view->rootObject()) {
        // A blank full-screen window would hide the person's work and offer no way out.
        QString errors;
        for (const QQmlError& error : view->errors()) {
            errors += (errors.isEmpty() ? QString() : QStringLiteral("; ")) + error.toString();
        }
        logger_.error("The meeting takeover could not be loaded and is not shown: {}", errors.toStdString());
        loadFailed_ = true;
    }
    return view;
}

bool TakeoverWindows::ensureTakeover() {
    if (!takeover_) {
        takeover_ =
            makeWindow(takeoverSource_, QCoreApplication::translate("TakeoverWindows", "Kindora meeting"));
        if (!loadFailed_) {
            input_ = new PanelInputFilter(*takeover_);
        }
    }
    return !loadFailed_;
}

bool TakeoverWindows::canShow() {
    return ensureTakeover();
}

void TakeoverWindows::cover(const std::vector<QRect>& screens) {
    if (screens.empty() || !ensureTakeover()) {
        return;
    }
    frames_ = screens;
    takeover_->setGeometry(screens.front());
    const std::size_t others = screens.size() - 1;
    while (covers_.size() > others) {
        topmost_.release(*covers_.back());
        covers_.pop_back();
    }
    while (covers_.size() < others && !loadFailed_) {
        covers_.push_back(makeWindow(
            coverSource_, QCoreApplication::translate("TakeoverWindows", "Kindora meeting cover")));
    }
    if (loadFailed_) {
        hide();
        return;
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
    topmost_.hold(cover);
}

void TakeoverWindows::show() {
    if (!ensureTakeover()) {
        return;
    }
    shown_ = true;
    for (auto& cover : covers_) {
        showCover(*cover);
    }
    input_->restart();
    takeover_->show();
    topmost_.hold(*takeover_);
    takeover_->requestActivate();
}

void TakeoverWindows::hide() {
    shown_ = false;
    if (takeover_) {
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
