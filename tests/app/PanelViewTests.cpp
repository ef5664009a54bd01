// The panels' QML over their real view models on the offscreen platform: every state loads and renders
// without a QML or Qt warning, and the keyboard's Return reaches the default action.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>

#include <memory>
#include <string>
#include <vector>

#include "app/KindoraQmlModules.hpp"
#include "app/platform/X11Topmost.hpp"
#include "app/texts/PlatformTexts.hpp"
#include "app/viewmodels/DoNotDisturbViewModel.hpp"
#include "app/viewmodels/PairingCodeViewModel.hpp"
#include "app/viewmodels/ScreenTexts.hpp"
#include "app/windows/AlertPanelWindow.hpp"
#include "app/windows/TakeoverWindows.hpp"
#include "tests/app/GuiTestSupport.hpp"
#include "tests/app/PanelFixture.hpp"
#include "tests/app/QtTestApplication.hpp"
#include "tests/app/ScriptedStatusSource.hpp"

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
        useKindoraQmlModules(engine);
    }

    // Shows the view at `source` with the given required properties, by default the panel content
    // it shows.
    std::unique_ptr<QQuickView> show(const char* source, QSize size, QVariantMap properties = {}) {
        auto view = std::make_unique<QQuickView>(&engine, nullptr);
        view->setResizeMode(QQuickView::SizeRootObjectToView);
        view->resize(size);
        if (properties.isEmpty()) {
            properties = QByteArray(source).endsWith("InterruptPanel.qml")
                             ? QVariantMap{{QStringLiteral("alertPanel"), QVariant::fromValue(&alertContent)}}
                             : QVariantMap{{QStringLiteral("takeover"), QVariant::fromValue(&meetingContent)}};
        }
        view->setInitialProperties(properties);
        view->setSource(QUrl(QString::fromLatin1(source)));
        view->show();
        view->requestActivate();
        testing::renderOnce(*view);
        EXPECT_TRUE(view->errors().isEmpty()) << source;
        return view;
    }

    // A key as `item` receives it when it has the keyboard (which windows on the offscreen platform
    // are not given; the end-to-end tests press keys on a real X server).
    static void press(QQuickItem* item, Qt::Key key = Qt::Key_Return) {
        ASSERT_NE(item, nullptr);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(item, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(item, &release);
    }
    static void pressReturn(QQuickView& view) { press(view.rootObject()); }

    static QQuickItem* button(QQuickView& view, const char* text) {
        for (auto* item : view.rootObject()->findChildren<QQuickItem*>()) {
            if (item->property("text").toString() == QLatin1String(text) && item->inherits("QQuickAbstractButton")) {
                return item;
            }
        }
        return nullptr;
    }

    testing::QmlWarnings warnings;
    QQmlEngine engine;
};

// Each test skips under ThreadSanitizer before its scene (and with it a QML engine) is made.
TEST(PanelViews, TheAlertPanelRendersEveryStateAndReturnResolves) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    PanelViewScene scene;
    auto view = scene.show("qrc:/Kindora/InterruptPanel.qml", QSize(380, 260));
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

    // Return on a focused Dismiss presses Dismiss, not the default action; Escape dismisses too.
    PanelViewScene::press(PanelViewScene::button(*view, "Dismiss"));
    EXPECT_FALSE(scene.alertContent.shown());
    scene.pollAlerts({PanelViewScene::alert("Garage left open")});
    PanelViewScene::press(view->rootObject(), Qt::Key_Escape);
    EXPECT_FALSE(scene.alertContent.shown());
    EXPECT_TRUE(scene.backend.actionCalls().empty());

    scene.pollAlerts({PanelViewScene::alert("Smoke in the kitchen")});  // dismissed ones stay dismissed
    scene.backend.hold();
    PanelViewScene::pressReturn(*view);
    ASSERT_TRUE(scene.alertContent.inFlight());
    testing::renderOnce(*view);
    // While the household has not answered, no button can send a second action.
    for (const char* name : {"Acknowledge", "Resolve", "Dismiss"}) {
        QQuickItem* button = PanelViewScene::button(*view, name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->isEnabled()) << name << " stays pressable while the resolve is in flight";
    }
    PanelViewScene::pressReturn(*view);
    PanelViewScene::press(view->rootObject(), Qt::Key_Escape);
    scene.backend.releaseAll();
    ASSERT_TRUE(scene.mainQueue.drainUntil([&] { return !scene.alertContent.inFlight(); }));
    ASSERT_EQ(scene.backend.actionCalls().size(), 1u);
    EXPECT_EQ(scene.backend.actionCalls().front().action, "resolve");
    scene.pollAlerts({});
    testing::renderOnce(*view);
    EXPECT_EQ(scene.warnings.text(), "");
}

TEST(PanelViews, TheTakeoverAndItsCoverRenderOneMeetingOrTwoAndReturnJoins) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    PanelViewScene scene;
    auto cover = scene.show("qrc:/Kindora/MeetingCover.qml", QSize(1024, 768));
    auto takeover = scene.show("qrc:/Kindora/MeetingTakeover.qml", QSize(1280, 800));
    scene.time.advance(180);
    scene.pollMeetings({meeting("standup", scene.ten), meeting("standup-copy", scene.ten)});
    scene.meetingContent.start();
    testing::renderOnce(*takeover);
    testing::renderOnce(*cover);

    PanelViewScene::press(takeover->rootObject(), Qt::Key_Escape);  // auto-join armed: Escape hides
    EXPECT_FALSE(scene.meetingContent.shown());
    EXPECT_TRUE(scene.opened.empty());
    scene.pollMeetings({meeting("review", scene.ten + std::chrono::minutes(2))});
    ASSERT_TRUE(scene.meetingContent.shown());
    PanelViewScene::pressReturn(*takeover);
    EXPECT_EQ(scene.opened.size(), 1u);
    EXPECT_FALSE(scene.meetingContent.shown());
    testing::renderOnce(*takeover);
    EXPECT_EQ(scene.warnings.text(), "");
}

// Every text and button the person can see, in window coordinates; a button's own label is part of it.
std::vector<std::pair<std::string, QRectF>> visibleParts(QQuickItem* item) {
    std::vector<std::pair<std::string, QRectF>> parts;
    if (!item->isVisible() || item->opacity() == 0) {
        return parts;
    }
    const bool button = item->inherits("QQuickAbstractButton");
    if (button || (item->inherits("QQuickText") && !item->property("text").toString().isEmpty())) {
        parts.emplace_back(item->property("text").toString().toStdString(),
                           item->mapRectToScene(QRectF(0, 0, item->width(), item->height())));
    }
    if (!button) {
        for (QQuickItem* child : item->childItems()) {
            const auto more = visibleParts(child);
            parts.insert(parts.end(), more.begin(), more.end());
        }
    }
    return parts;
}

TEST(PanelViews, AGroupThatMustBeResolvedWithARefusalFitsThePanel) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    PanelViewScene scene;
    auto view = scene.show("qrc:/Kindora/InterruptPanel.qml", QSize(380, 260));
    std::vector<Interrupt> group;
    for (int i = 0; i < 5; ++i) {
        group.push_back(PanelViewScene::alert("Smoke alarm in room " + std::to_string(i), "smoke"));
    }
    group[2].requiresResolution = true;
    scene.pollAlerts(group, true);
    for (const auto& member : group) {  // nobody here may resolve them: the group stays, with the refusal
        scene.backend.setActionError(member.id, BackendError::forbidden(std::nullopt));
    }
    scene.alertContent.resolve();
    ASSERT_TRUE(scene.mainQueue.drainUntil([&] { return !scene.alertContent.actionError().isEmpty(); }));
    testing::renderOnce(*view);

    const auto parts = visibleParts(view->rootObject());
    const QRectF window(0, 0, view->width(), view->height());
    EXPECT_GE(view->height(), 260);
    for (std::size_t a = 0; a < parts.size(); ++a) {
        EXPECT_TRUE(window.contains(parts[a].second)) << parts[a].first << " is cut off";
        for (std::size_t b = a + 1; b < parts.size(); ++b) {
            EXPECT_FALSE(parts[a].second.intersects(parts[b].second))
                << parts[a].first << " overlaps " << parts[b].first;
        }
    }
    EXPECT_EQ(scene.warnings.text(), "");
}

TEST(PanelViews, ACountdownsClockRunsOnlyWhileItsViewIsOnScreen) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    PanelViewScene scene;
    testing::ScriptedStatusSource source;
    source.change([&](auto& s) { s.phase_ = Phase::pairing("K7Q2-9XPA", scene.time.now() + std::chrono::minutes(10)); });
    PairingCodeViewModel pairingCode(source, scene.time.nowFunction(), scene.mainQueue);
    DoNotDisturbViewModel doNotDisturb(scene.dnd, scene.interrupts_, scene.time.nowFunction(), scene.mainQueue);
    ScreenTexts texts(PlatformTexts::macOS());
    {
        auto codeView = scene.show("qrc:/Kindora/PairingCodeView.qml", QSize(300, 120),
                                   {{QStringLiteral("pairingCode"), QVariant::fromValue(&pairingCode)}});
        auto sectionView = scene.show("qrc:/Kindora/DoNotDisturbSection.qml", QSize(300, 120),
                                      {{QStringLiteral("doNotDisturb"), QVariant::fromValue(&doNotDisturb)},
                                       {QStringLiteral("texts"), QVariant::fromValue(&texts)}});
        EXPECT_TRUE(pairingCode.shown());
        EXPECT_TRUE(doNotDisturb.shown());

        codeView->hide();
        sectionView->hide();
        EXPECT_FALSE(pairingCode.shown()) << "a hidden window's countdown still ticks";
        EXPECT_FALSE(doNotDisturb.shown()) << "a hidden window's countdown still ticks";
        codeView->show();
        EXPECT_TRUE(pairingCode.shown());
    }
    EXPECT_FALSE(pairingCode.shown()) << "a view that is gone leaves its clock running";
    EXPECT_EQ(scene.warnings.text(), "");
}

TEST(PanelViews, APanelWhoseViewDoesNotLoadIsNeverShown) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    PanelViewScene scene;
    X11Topmost topmost;
    const QUrl missing(QStringLiteral("qrc:/Kindora/Missing.qml"));
    AlertPanelWindow alert(scene.engine, topmost, scene.alertContent, missing);
    alert.show();
    EXPECT_FALSE(alert.canShow());
    EXPECT_FALSE(alert.isShown());
    TakeoverWindows takeover(scene.engine, topmost, scene.meetingContent, QUrl(QString::fromLatin1(TakeoverWindows::defaultTakeoverSource)),
                             missing);
    takeover.cover({QRect(0, 0, 1280, 800), QRect(1280, 0, 1024, 768)});  // the cover does not load
    takeover.show();
    EXPECT_FALSE(takeover.canShow());
    EXPECT_FALSE(takeover.isShown());
    for (auto* view : takeover.views()) {
        EXPECT_FALSE(view->isVisible()) << "no blank window over the screen";
    }
    const auto errors = scene.logs.messages("Panels");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_TRUE(errors[0].starts_with("The alert panel could not be loaded and is not shown: "));
    EXPECT_TRUE(errors[1].starts_with("The meeting takeover could not be loaded and is not shown: "));
}

}  // namespace
}  // namespace kindora
