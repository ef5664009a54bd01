// The brand components and the application object under a real Qt GUI (offscreen platform).
#include <gtest/gtest.h>

#include <QAccessible>
#include <QColor>
#include <QImage>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSize>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/KindoraApplication.hpp"
#include "app/KindoraQmlModules.hpp"
#include "tests/app/GuiTestSupport.hpp"
#include "tests/support/LogCapture.hpp"

namespace kindora {
namespace {

// QML over the brand components, loaded and rendered once in a window of the given size. The QML
// warnings it gave are kept; `root` is empty when it did not load, and `error` says why.
struct RenderedBrandQml {
    RenderedBrandQml(const QByteArray& qml, QSize size) {
        warnings.watch(engine);
        useKindoraQmlModules(engine);
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nimport Kindora.Brand\n" + qml,
                          QUrl(QStringLiteral("qrc:/BrandComponentTest.qml")));
        root.reset(component.create());
        error = component.errorString().toStdString();
        if (auto* item = qobject_cast<QQuickItem*>(root.get())) {
            window.resize(size);
            item->setParentItem(window.contentItem());
            window.show();
            testing::renderOnce(window);
        }
    }

    KindoraApplication& application = testing::guiApplication();  // first: the rest needs it
    testing::QmlWarnings warnings;
    QQmlEngine engine;
    std::unique_ptr<QObject> root;
    QQuickWindow window;
    std::string error;
};

class BrandComponents : public ::testing::TestWithParam<const char*> {};

TEST_P(BrandComponents, LoadAndRenderWithoutAnyQmlWarning) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    const RenderedBrandQml rendered(QByteArray("Item { width: 320; height: 120; ") + GetParam() + " { } }",
                                    QSize(320, 120));
    ASSERT_TRUE(rendered.root) << rendered.error;
    EXPECT_EQ(rendered.warnings.text(), "");
}

INSTANTIATE_TEST_SUITE_P(Brand, BrandComponents,
                         ::testing::Values("BrandZovudIzud", "BrandDiamondGlyph", "BrandFooter",
                                           "BrandPrimaryButton", "BrandSecondaryButton", "BrandCaption",
                                           "BrandText", "BrandCard", "BrandStatRow", "BrandPopoverHeader",
                                           "BrandSettingRow", "BrandStatusPill", "BrandSwitch",
                                           "BrandPicker", "BrandTabularText"));

TEST(BrandComponents, AScreenReadersPressClicksButtonsAndFlipsSwitches) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    const RenderedBrandQml rendered(
        "Column { width: 300; height: 200\n"
        "  property int clicks: 0\n property int flips: 0\n"
        "  BrandPrimaryButton { objectName: \"primary\"; text: \"Pair\"; onClicked: parent.clicks++ }\n"
        "  BrandSecondaryButton { objectName: \"disabled\"; text: \"Off\"; enabled: false; onClicked: "
        "parent.clicks += 100 }\n"
        "  BrandSwitch { objectName: \"switch\"; text: \"Launch at Login\"; onToggled: parent.flips++ } }",
        QSize(300, 200));
    ASSERT_TRUE(rendered.root) << rendered.error;
    QObject* root = rendered.root.get();

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
    EXPECT_EQ(rendered.warnings.text(), "");
}

// The luminance contrast of the lightest to the darkest pixel under `item`, as accessibility
// guidelines measure it (1 for a flat area, 21 for white on black).
double contrastUnder(const QImage& frame, const QQuickItem& item) {
    const QRect area =
        item.mapRectToScene(QRectF(0, 0, item.width(), item.height())).toAlignedRect() & frame.rect();
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    double lightest = 0;
    double darkest = 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = frame.pixelColor(x, y);
            const double luminance = 0.2126 * linear(pixel.redF()) + 0.7152 * linear(pixel.greenF()) +
                                     0.0722 * linear(pixel.blueF());
            lightest = std::max(lightest, luminance);
            darkest = std::min(darkest, luminance);
        }
    }
    return (lightest + 0.05) / (darkest + 0.05);
}

TEST(BrandComponents, APickersArrowsStandOutWhileEnabledAndFadeWhenDisabled) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    RenderedBrandQml rendered(
        "Rectangle { width: 300; height: 100; color: BrandPalette.background\n"
        "  Column { x: 10; y: 10; spacing: 10\n"
        "    BrandPicker { objectName: \"enabled\"; model: [\"1 minute\", \"5 minutes\"] }\n"
        "    BrandPicker { objectName: \"disabled\"; model: [\"1 minute\"]; enabled: false } } }",
        QSize(300, 100));
    ASSERT_TRUE(rendered.root) << rendered.error;
    QObject* root = rendered.root.get();
    const QImage frame = rendered.window.grabWindow();
    ASSERT_FALSE(frame.isNull());

    const auto arrows = [&](const char* name) {
        auto* picker = root->findChild<QQuickItem*>(QString::fromLatin1(name));
        auto* indicator = picker ? picker->property("indicator").value<QQuickItem*>() : nullptr;
        return indicator ? contrastUnder(frame, *indicator) : 0.0;
    };
    const double enabled = arrows("enabled");
    const double disabled = arrows("disabled");
    // 3:1 is the least contrast a control's graphics need to be seen as usable.
    EXPECT_GE(enabled, 3.0) << "the arrows of an enabled picker read as disabled";
    EXPECT_LT(disabled, enabled / 2) << "a disabled picker's arrows look as live as an enabled one's";
    EXPECT_EQ(rendered.warnings.text(), "");
}

TEST(BrandComponents, ASwitchEndsOnTheRightEdgeTheButtonsBelowItLineUpOn) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    RenderedBrandQml rendered(
        "Rectangle { width: 300; height: 120; color: BrandPalette.background\n"
        "  Column { x: 10; y: 10; width: 280; spacing: 10\n"
        "    BrandSwitch { objectName: \"switch\"; text: \"Launch at Login\"; checked: true; width: "
        "parent.width }\n"
        "    BrandPrimaryButton { objectName: \"button\"; text: \"Pair\"; width: parent.width } } }",
        QSize(300, 120));
    ASSERT_TRUE(rendered.root) << rendered.error;
    const QImage frame = rendered.window.grabWindow();
    ASSERT_FALSE(frame.isNull());
    const QColor background = frame.pixelColor(0, 0);

    // The rightmost column of the window where something is drawn in the item's rows.
    const auto rightmostInk = [&](const char* name) {
        auto* item = rendered.root->findChild<QQuickItem*>(QString::fromLatin1(name));
        if (item == nullptr) {
            return -1;
        }
        const QRect rows = item->mapRectToScene(QRectF(0, 0, item->width(), item->height())).toAlignedRect();
        int rightmost = -1;
        for (int y = std::max(rows.top(), 0); y <= std::min(rows.bottom(), frame.height() - 1); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                if (frame.pixelColor(x, y) != background) {
                    rightmost = std::max(rightmost, x);
                }
            }
        }
        return rightmost;
    };
    const int button = rightmostInk("button");
    EXPECT_GT(button, 280);
    EXPECT_NEAR(rightmostInk("switch"), button, 1) << "the switch's track stops short of the buttons' edge";
    EXPECT_EQ(rendered.warnings.text(), "");
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
