#pragma once

#include <QObject>
#include <QQmlEngine>
#include <QQuickView>
#include <QUrl>

#include <memory>

#include "app/panels/InterruptPanelContent.hpp"
#include "app/panels/PanelSurfaces.hpp"
#include "app/platform/X11Topmost.hpp"
#include "app/windows/PanelInputFilter.hpp"
#include "core/common/Log.hpp"

namespace kindora {

// The small alert panel: a frameless dark window of 380 by 260 above every managed window, on every
// virtual desktop and without a taskbar entry (on X11 an override-redirect window kept on top),
// centred on the usable area of the screen the person works on, dragged by its background. It is
// given the keyboard when it appears and when clicked, but holds no grab, and an InputGuard keeps it
// from acting on keys and clicks meant for something else. A panel whose QML does not load is never
// shown (the error is logged; the alert stays waiting). Created on the first show and kept. Main
// thread only.
class AlertPanelWindow final : public QObject, public InterruptPanelSurface {
    Q_OBJECT
public:
    static constexpr const char* defaultSource = "qrc:/Kindora/InterruptPanel.qml";

    // The view shows `content`.
    AlertPanelWindow(QQmlEngine& engine, X11Topmost& topmost, InterruptPanelContent& content,
                     QUrl source = QUrl(QString::fromLatin1(defaultSource)));

    void show() override;
    void hide() override;
    bool isShown() const override;
    bool canShow() override;

    // The window, once it exists (tests and the latency bench watch its frames).
    QQuickView* view() { return view_.get(); }

private:
    void create();

    QQmlEngine& engine_;
    X11Topmost& topmost_;
    InterruptPanelContent& content_;
    const QUrl source_;
    std::unique_ptr<QQuickView> view_;
    PanelInputFilter* input_ = nullptr;  // owned by the view
    bool loadFailed_ = false;
    const Log logger_{"Panels"};
};

}  // namespace kindora
