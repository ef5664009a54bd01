// The panels' QML over their real view models on the offscreen platform: every state loads and renders
// without a QML or Qt warning, and the keyboard's Return reaches the default action.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>

#include <memory>
#include <string>
#include <vector>

#include "tests/app/GuiTestSupport.hpp"
#include "tests/app/PanelFixture.hpp"
#include "tests/app/QtTestApplication.hpp"

namespace kindora {
namespace {

using testing::meeting;

// The panels' view models with a QML engine over them. The GUI application object must exist before
// the scene's controllers (and any Qt object), hence the first base.
struct GuiApplicationFirst {
    GuiApplicationFirst() { testing::guiApplication(); }
};

class PanelViewScene : private GuiApplicationFirst, public testing::PanelScene {
public:
    PanelViewScene() {
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
    static void pressReturn(QQuickView& view) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(view.rootObject(), &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(view.rootObject(), &release);
    }

    testing::QmlWarnings warnings;
    QQmlEngine engine;
};

// Each test skips under ThreadSanitizer before its scene (and with it a QML engine) is made.
TEST(PanelViews, TheAlertPanelRendersEveryStateAndReturnResolves) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    PanelViewScene scene;
    auto view = scene.show("qrc:/qml/panels/InterruptPanel.qml", QSize(380, 260));
    std::vector<Interrupt> group;
    for (int i = 0; i < 5; ++i) {
        group.push_back(PanelViewScene::alert("Leak " + std::to_string(i), "leak"));
    }
    group[1].requiresResolution = true;
    scene.pollAlerts(group, true);
    testing::renderOnce(*view);
    auto single = PanelViewScene::alert("Back door open");
    single.body = "";
    scene.pollAlerts({single});
    testing::renderOnce(*view);

    PanelViewScene::pressReturn(*view);
    ASSERT_TRUE(scene.mainQueue.drainUntil([&] { return !scene.backend.actionCalls().empty(); }));
    EXPECT_EQ(scene.backend.actionCalls().front().action, "resolve");
    scene.pollAlerts({});
    testing::renderOnce(*view);
    EXPECT_EQ(scene.warnings.text(), "");
}

TEST(PanelViews, TheTakeoverAndItsCoverRenderOneMeetingOrTwoAndReturnJoins) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    PanelViewScene scene;
    auto cover = scene.show("qrc:/qml/panels/MeetingCover.qml", QSize(1024, 768));
    auto takeover = scene.show("qrc:/qml/panels/MeetingTakeover.qml", QSize(1280, 800));
    scene.time.advance(180);
    scene.pollMeetings({meeting("standup", scene.ten), meeting("standup-copy", scene.ten)});
    scene.meetingContent.start();
    testing::renderOnce(*takeover);
    testing::renderOnce(*cover);

    PanelViewScene::pressReturn(*takeover);
    EXPECT_EQ(scene.opened.size(), 1u);
    EXPECT_FALSE(scene.meetingContent.shown());
    testing::renderOnce(*takeover);
    EXPECT_EQ(scene.warnings.text(), "");
}

}  // namespace
}  // namespace kindora
