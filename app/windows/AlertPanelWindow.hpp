#pragma once

#include <QObject>
#include <QQmlEngine>
#include <QQuickView>

#include "app/panels/PanelSurfaces.hpp"
#include "app/platform/X11Topmost.hpp"

namespace kindora {

// The small alert panel: a frameless dark window of 380 by 260 above every other window, on every
// virtual desktop and without a taskbar entry (on X11 an override-redirect window kept on top), centred
// on the primary screen's usable area, dragged by its background. It takes the keyboard when it
// appears (Return resolves where Resolve is offered) and again when clicked, but does not hold it.
// Created on the first show and kept. Main thread only.
class AlertPanelWindow final : public QObject, public InterruptPanelSurface {
    Q_OBJECT
public:
    AlertPanelWindow(QQmlEngine& engine, X11Topmost& topmost);

    void show() override;
    void hide() override;
    bool isShown() const override;

    // The window, once it exists (tests and the latency bench watch its frames).
    QQuickView* view() { return view_.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void create();

    QQmlEngine& engine_;
    X11Topmost& topmost_;
    std::unique_ptr<QQuickView> view_;
};

}  // namespace kindora
