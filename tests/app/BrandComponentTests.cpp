// The brand components and the application object under a real Qt GUI (offscreen platform).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include <stdexcept>

#include "app/KindoraApplication.hpp"
#include "tests/app/GuiTestSupport.hpp"
#include "tests/support/LogCapture.hpp"

namespace kindora {
namespace {

class BrandComponents : public ::testing::TestWithParam<const char*> {};

TEST_P(BrandComponents, LoadAndRenderWithoutAnyQmlWarning) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    testing::guiApplication();
    testing::QmlWarnings warnings;
    QQmlEngine engine;
    warnings.watch(engine);
    QQmlComponent component(&engine);
    const QString source = QStringLiteral(
                               "import QtQuick\nimport \"qrc:/qml/brand\"\n"
                               "Item { width: 320; height: 120; %1 { } }")
                               .arg(QString::fromLatin1(GetParam()));
    component.setData(source.toUtf8(), QUrl(QStringLiteral("qrc:/qml/BrandComponentTest.qml")));
    std::unique_ptr<QObject> root(component.create());
    ASSERT_TRUE(root) << component.errorString().toStdString();

    QQuickWindow window;
    window.resize(320, 120);
    qobject_cast<QQuickItem*>(root.get())->setParentItem(window.contentItem());
    window.show();
    testing::renderOnce(window);
    EXPECT_EQ(warnings.text(), "");
}

INSTANTIATE_TEST_SUITE_P(Brand, BrandComponents,
                         ::testing::Values("BrandZovudIzud", "BrandDiamondGlyph", "BrandFooter",
                                           "BrandPrimaryButton", "BrandSecondaryButton", "BrandCaption",
                                           "BrandText", "BrandCard", "BrandStatRow", "BrandPopoverHeader",
                                           "BrandSettingRow", "BrandStatusPill", "BrandSwitch"));

TEST(BrandComponents, AScreenReadersPressClicksButtonsAndFlipsSwitches) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    testing::guiApplication();
    testing::QmlWarnings warnings;
    QQmlEngine engine;
    warnings.watch(engine);
    QQmlComponent component(&engine);
    component.setData(
        "import QtQuick\nimport \"qrc:/qml/brand\"\n"
        "Column { width: 300; height: 200\n"
        "  property int clicks: 0\n property int flips: 0\n"
        "  BrandPrimaryButton { objectName: \"primary\"; text: \"Pair\"; onClicked: parent.clicks++ }\n"
        "  BrandSecondaryButton { objectName: \"disabled\"; text: \"Off\"; enabled: false; onClicked: "
        "parent.clicks += 100 }\n"
        "  BrandSwitch { objectName: \"switch\"; text: \"Launch at Login\"; onToggled: parent.flips++ } }",
        QUrl(QStringLiteral("qrc:/qml/BrandPressTest.qml")));
    std::unique_ptr<QObject> root(component.create());
    ASSERT_TRUE(root) << component.errorString().toStdString();
    QQuickWindow window;
    window.resize(300, 200);
    qobject_cast<QQuickItem*>(root.get())->setParentItem(window.contentItem());
    window.show();
    testing::renderOnce(window);

    const auto press = [&](const char* name) {
        auto* item = root->findChild<QQuickItem*>(QString::fromLatin1(name));
        QAccessibleInterface* accessible = item ? QAccessible::queryAccessibleInterface(item) : nullptr;
        ASSERT_TRUE(accessible && accessible->actionInterface()) << name;
        accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    };
    press("primary");
    press("disabled");
    press("switch");
    EXPECT_EQ(root->property("clicks").toInt(), 1) << "the enabled button clicked once, the disabled one not";
    EXPECT_EQ(root->property("flips").toInt(), 1);
    EXPECT_TRUE(root->findChild<QObject*>(QStringLiteral("switch"))->property("checked").toBool());
    EXPECT_EQ(warnings.text(), "");
}

class Thrower : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            throw std::runtime_error("handler failed");
        }
        return QObject::event(event);
    }
};

TEST(KindoraApplication, AnExceptionEscapingAnEventHandlerIsLoggedAndTheApplicationCarriesOn) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    testing::guiApplication();
    testing::LogCapture capture;
    Thrower thrower;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &event));

    const auto lines = capture.messages("Crash");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(),
              "Uncaught exception (reportException): std::runtime_error reason: handler failed");
    EXPECT_GT(lines.size(), 1u);
    EXPECT_LE(lines.size(), 1u + 48u);
    EXPECT_EQ(lines.at(1).rfind("frame 0: ", 0), 0u);

    // The application still delivers events afterwards.
    QEvent next(QEvent::None);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &next));
}

}  // namespace
}  // namespace kindora
