#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWindow>

#include <vector>

namespace kindora {

// Keeps the full-screen panels above every other window on X11, including a full-screen application
// that is raised after them. The panels are override-redirect windows (the window manager does not
// manage them: no frame, no taskbar entry, on every virtual desktop), so nothing but the X server
// stacks them; this watches the root window for windows being mapped or restacked and raises the
// panels again above them. Windows that want the keyboard are given the input focus again too.
// Elsewhere than on X11 it does nothing. Main thread only.
class X11Topmost final : public QAbstractNativeEventFilter {
public:
    X11Topmost();
    ~X11Topmost() override;
    X11Topmost(const X11Topmost&) = delete;
    X11Topmost& operator=(const X11Topmost&) = delete;

    static bool isX11();

    // From now until `release`, `window` (shown) stays on top; the last one held is the topmost.
    void hold(QWindow& window, bool wantsKeyboard);
    void release(QWindow& window);
    // Raises every held window now, in order.
    void raiseAll();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Held {
        QPointer<QWindow> window;
        bool wantsKeyboard;
    };
    bool isHeld(unsigned int xid) const;
    void watchRoot();

    std::vector<Held> held_;
    bool watchingRoot_ = false;
    bool raising_ = false;
};

}  // namespace kindora
