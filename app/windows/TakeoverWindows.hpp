#pragma once

#include <QQmlEngine>
#include <QQuickView>
#include <QUrl>

#include <memory>
#include <vector>

#include "app/panels/MeetingPanelContent.hpp"
#include "app/panels/PanelSurfaces.hpp"
#include "app/platform/X11Topmost.hpp"
#include "app/windows/PanelInputFilter.hpp"
#include "core/common/Log.hpp"

namespace kindora {

// The meeting takeover's windows: the full takeover on the first screen it is given (the one the person
// works on) and a cover (title and countdown) on each other screen, each exactly the size of its
// screen, menu bar and panels included. On X11 they are override-redirect windows kept above every
// managed window, on every virtual desktop and without a taskbar entry. The takeover is given the
// keyboard when it shows and when clicked (its buttons answer it: Return presses the focused button or
// joins, Escape hides) but never grabs it, so a screen locker can always take it; an InputGuard keeps
// it from acting on keys and clicks meant for something else. If a view fails to load, nothing is
// shown (the error is logged). Created on the first cover and kept; covers come and go with the
// screens. Main thread only.
class TakeoverWindows final : public MeetingTakeoverSurface {
public:
    static constexpr const char* defaultTakeoverSource = "qrc:/Kindora/MeetingTakeover.qml";
    static constexpr const char* defaultCoverSource = "qrc:/Kindora/MeetingCover.qml";

    // Every view shows `content`.
    TakeoverWindows(QQmlEngine& engine, X11Topmost& topmost, MeetingPanelContent& content,
                    QUrl takeoverSource = QUrl(QString::fromLatin1(defaultTakeoverSource)),
                    QUrl coverSource = QUrl(QString::fromLatin1(defaultCoverSource)));

    void cover(const std::vector<QRect>& screens) override;
    std::vector<QRect> frames() const override;
    void show() override;
    void hide() override;
    bool isShown() const override;
    bool canShow() override;

    // The windows, the full takeover first (tests and the latency bench watch their frames).
    std::vector<QQuickView*> views();

private:
    std::unique_ptr<QQuickView> makeWindow(const QUrl& source, const QString& title);
    bool ensureTakeover();
    void showCover(QQuickView& cover);

    QQmlEngine& engine_;
    X11Topmost& topmost_;
    MeetingPanelContent& content_;
    const QUrl takeoverSource_;
    const QUrl coverSource_;
    std::unique_ptr<QQuickView> takeover_;
    PanelInputFilter* input_ = nullptr;  // owned by the takeover's view
    std::vector<std::unique_ptr<QQuickView>> covers_;
    std::vector<QRect> frames_;
    bool shown_ = false;
    bool loadFailed_ = false;
    const Log logger_{"Panels"};
};

}  // namespace kindora
