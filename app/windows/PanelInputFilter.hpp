#pragma once

#include <QObject>
#include <QTimer>

#include "app/panels/InputGuard.hpp"

class QQuickView;

namespace kindora {

// Puts an InputGuard in front of a panel's window: keys and clicks the guard refuses never reach the
// QML, and the window's root item learns through its `inputArmed` property when the panel starts
// answering, so that its buttons can show it. A click on the panel gives it the keyboard in any case
// (the window manager does not hand it to a window it does not manage). Main thread only.
class PanelInputFilter final : public QObject {
    Q_OBJECT
public:
    explicit PanelInputFilter(QQuickView& view);

    // The panel appeared or shows something else now: it answers again after the guard's delay.
    void restart();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool allows(QEvent& event);
    void showArmed(bool armed);

    QQuickView& view_;
    InputGuard guard_;
    QTimer arming_;
};

}  // namespace kindora
