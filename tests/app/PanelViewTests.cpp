// The panels' QML over their real view models on the offscreen platform: every state loads and renders
// without a QML or Qt warning, and the keyboard's Return reaches the default action.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>

#include "tests/app/GuiTestSupport.hpp"
#include "tests/app/PanelFixture.hpp"
#include "tests/app/QtTestApplication.hpp"

namespace kindora {
namespace {

using testing::meeting;

// The GUI application object must exist before the fixture's controllers (and any Qt object). Under
// ThreadSanitizer the suite skips before using it, so it is not made at all.
struct GuiApplicationFirst {
    GuiApplicationFirst() {
#if !defined(__SANITIZE_THREAD__)
        testing::guiApplication();
#endif
    }
};

class PanelViews : private GuiApplicationFirst, public testing::PanelFixture {
protected:
    void SetUp() override {
        KINDORA_SKIP_GUI_UNDER_TSAN();
        warnings.watch(engine);
        engine.rootContext()->setContextProperty(QStringLiteral("alertPanel"), &alertContent);
        engine.rootContext()->setContextProperty(QStringLiteral("takeover"), &meetingContent);
    }

    std::unique_ptr<QQuickView> show(const char* source, QSize size) {
        auto view = std::make_unique<QQuickView>(&engine, nullptr);
        view->setResizeMode(QQuickView::SizeRootObjectToView);
        view->resize(size);
        view->setSource(QUrl(QString::fromLatin1(source)));
        view->show();
        view->requestActivate();
        testing::renderOnce(*view);
        EXPECT_TRUE(view->errors().isEmpty()) << source;
        return view;
    }

    // Return as the panel's root receives it once the window has the keyboard (which windows on the
    // offscreen platform are not given; the end-to-end test presses it on a real X server).
    void pressReturn(QQuickView& view) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(view.rootObject(), &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(view.rootObject(), &release);
    }

    testing::QmlWarnings warnings;
    QQmlEngine engine;
};

TEST_F(PanelViews, TheAlertPanelRendersEveryStateAndReturnResolves) {
    auto view = show("qrc:/qml/panels/InterruptPanel.qml", QSize(380, 260));
    std::vector<Interrupt> group;
    for (int i = 0; i < 5; ++i) {
        group.push_back(alert("Leak " + std::to_string(i), "leak"));
    }
    group[1].requiresResolution = true;
    pollAlerts(group, true);
    testing::renderOnce(*view);
    auto single = alert("Back door open");
    single.body = "";
    pollAlerts({single});
    testing::renderOnce(*view);

    pressReturn(*view);
    ASSERT_TRUE(mainQueue.drainUntil([&] { return !backend.actionCalls().empty(); }));
    EXPECT_EQ(backend.actionCalls().front().action, "resolve");
    pollAlerts({});
    testing::renderOnce(*view);
    EXPECT_EQ(warnings.text(), "");
}

TEST_F(PanelViews, TheTakeoverAndItsCoverRenderOneMeetingOrTwoAndReturnJoins) {
    auto cover = show("qrc:/qml/panels/MeetingCover.qml", QSize(1024, 768));
    auto takeover = show("qrc:/qml/panels/MeetingTakeover.qml", QSize(1280, 800));
    time.advance(180);
    pollMeetings({meeting("standup", ten), meeting("standup-copy", ten)});
    meetingContent.start();
    testing::renderOnce(*takeover);
    testing::renderOnce(*cover);

    pressReturn(*takeover);
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_FALSE(meetingContent.shown());
    testing::renderOnce(*takeover);
    EXPECT_EQ(warnings.text(), "");
}

}  // namespace
}  // namespace kindora
