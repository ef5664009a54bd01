#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWindow>

#include <chrono>
#include <vector>

#include "core/common/Log.hpp"

namespace kindora {

// Keeps the full-screen panels above every window the window manager manages, a full-screen
// application raised after them included. The panels are override-redirect windows (not managed: no
// frame, no taskbar entry, on every virtual desktop), so nothing but the X server stacks them; this
// watches the root window for managed windows being mapped or restacked and puts the panels back just
// above the topmost of them. Other clients' override-redirect windows (a screen locker, menus,
// notifications) are never fought: the panels stay below them. A managed window that raises itself
// again and again gets at most `restackBudget` restacks per `budgetPeriod`, then is left alone for
// the rest of that period (logged once), so that two programs cannot raise each other forever.
// Elsewhere than on X11 it does nothing. Main thread only.
class X11Topmost final : public QAbstractNativeEventFilter {
public:
    static constexpr int restackBudget = 20;
    static constexpr std::chrono::seconds budgetPeriod{5};

    X11Topmost();
    ~X11Topmost() override;
    X11Topmost(const X11Topmost&) = delete;
    X11Topmost& operator=(const X11Topmost&) = delete;

    static bool isX11();

    // From now until `release`, `window` (shown) stays above the managed windows; the last one held
    // is the topmost of the panels.
    void hold(QWindow& window);
    void release(QWindow& window);
    // Restacks every held window now, in order.
    void raiseAll();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void restack(bool answeringAnotherWindow);
    bool isHeld(unsigned int xid) const;
    void watchRoot();
    bool withinBudget();

    std::vector<QPointer<QWindow>> held_;
    bool watchingRoot_ = false;
    bool raising_ = false;
    std::chrono::steady_clock::time_point periodStart_{};
    int restacksInPeriod_ = 0;
    bool loggedFight_ = false;
    const Log logger_{"Panels"};
};

}  // namespace kindora
