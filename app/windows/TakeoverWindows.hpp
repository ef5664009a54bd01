#pragma once

#include <QQmlEngine>
#include <QQuickView>

#include <memory>
#include <vector>

#include "app/panels/PanelSurfaces.hpp"
#include "app/platform/X11Topmost.hpp"

namespace kindora {

// The meeting takeover's windows: the full takeover on the primary screen and a cover (title and
// countdown) on each other screen, each exactly the size of its screen, menu bar and panels included.
// On X11 they are override-redirect windows kept above every other window, on every virtual desktop
// and without a taskbar entry, and the takeover holds the keyboard while shown (its buttons answer it,
// Return joins) and gives it back when hidden. Created on the first cover and kept; covers come and go
// with the screens. Main thread only.
class TakeoverWindows final : public MeetingTakeoverSurface {
public:
    TakeoverWindows(QQmlEngine& engine, X11Topmost& topmost);
    ~TakeoverWindows() override;

    void cover(const std::vector<QRect>& screens) override;
    std::vector<QRect> frames() const override;
    void show() override;
    void hide() override;
    bool isShown() const override;

    // The windows, primary first (tests and the latency bench watch their frames).
    std::vector<QQuickView*> views();

private:
    std::unique_ptr<QQuickView> makeWindow(const char* source, const QString& title);
    void grabKeyboard(int attemptsLeft);
    void showCover(QQuickView& cover);

    QQmlEngine& engine_;
    X11Topmost& topmost_;
    std::unique_ptr<QQuickView> takeover_;
    std::vector<std::unique_ptr<QQuickView>> covers_;
    std::vector<QRect> frames_;
    bool shown_ = false;
};

}  // namespace kindora
