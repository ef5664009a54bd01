// The brand components and the application object under a real Qt GUI (offscreen platform).
#include <gtest/gtest.h>

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
                                           "BrandCard", "BrandStatRow", "BrandPopoverHeader",
                                           "BrandSettingRow", "BrandStatusPill", "BrandSwitch"));

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
