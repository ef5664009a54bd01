#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QQuickView>
#include <QRect>
#include <QVariantMap>

#include <functional>

#include "core/common/Log.hpp"

namespace kindora {

// The window the tray icon opens: a frameless dark popover placed at the icon (or at the cursor when
// the tray cannot say where its icon is), closed by Escape or by clicking anywhere else. Where no tray
// exists it is an ordinary window instead, shown at launch, so that the agent is always reachable.
// Created once and reused. Main thread only.
class PopoverWindow final : public QObject {
    Q_OBJECT
public:
    enum class Mode { popover, normalWindow };

    PopoverWindow(QQmlEngine& engine, Mode mode, std::function<void(bool)> onVisibleChanged);

    // Loads the QML, which shows `properties` (its required properties by name).
    void load(const QVariantMap& properties);
    // Takes effect now when closed, else when it next closes.
    void setMode(Mode mode);
    // The tray icon was clicked: opens the popover at `iconGeometry` (empty when unknown), or closes it.
    void toggle(const QRect& iconGeometry);
    // Opens it (at `iconGeometry`, or in the middle of the screen as an ordinary window).
    void open(const QRect& iconGeometry = {});
public slots:
    // Escape or a click elsewhere.
    void close();

public:

    bool isOpen() const { return view_.isVisible(); }
    QQuickView& view() { return view_; }

private:
    void place(const QRect& iconGeometry);
    void applyMode();

    Mode mode_;
    QQuickView view_;
    std::function<void(bool)> onVisibleChanged_;
    // When the popover last closed because it lost focus: the click on the tray icon that caused that
    // must not open it again at once.
    QElapsedTimer closedByFocusLoss_;
    // From the request to open until the first frame on screen, logged (bench/app_idle reads it).
    QElapsedTimer openedAt_;
    bool awaitingFirstFrame_ = false;
    const Log logger_{"Popover"};
};

}  // namespace kindora
