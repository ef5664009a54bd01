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
#include <cstdlib>
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

// The colour `over` at `opacity` on `under`, as the scene graph blends it.
QColor blended(QColor over, double opacity, QColor under) {
    const auto channel = [&](int top, int bottom) { return static_cast<int>(std::lround(opacity * top + (1 - opacity) * bottom)); };
    return QColor(channel(over.red(), under.red()), channel(over.green(), under.green()),
                  channel(over.blue(), under.blue()));
}

// Whether `actual` is `expected` but for rounding.
::testing::AssertionResult sameColour(QColor actual, QColor expected) {
    const int off = std::max({std::abs(actual.red() - expected.red()), std::abs(actual.green() - expected.green()),
                              std::abs(actual.blue() - expected.blue())});
    if (off <= 2) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual.name().toStdString() << " where "
                                         << expected.name().toStdString() << " was expected";
}

// The pixel at the middle of the named item's left padding: the button's fill, not its label.
QColor fillOf(const QImage& frame, QObject& root, const char* name) {
    auto* item = root.findChild<QQuickItem*>(QString::fromLatin1(name));
    if (item == nullptr) {
        return {};
    }
    return frame.pixelColor(item->mapToScene(QPointF(6, item->height() / 2)).toPoint());
}

// The brightest pixel under the named item: a text's own colour where a glyph covers a pixel fully.
QColor brightestUnder(const QImage& frame, QObject& root, const char* name) {
    auto* item = root.findChild<QQuickItem*>(QString::fromLatin1(name));
    QColor brightest(0, 0, 0);
    if (item == nullptr) {
        return brightest;
    }
    const QRect area = item->mapRectToScene(QRectF(0, 0, item->width(), item->height())).toAlignedRect() & frame.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (frame.pixelColor(x, y).lightness() > brightest.lightness()) {
                brightest = frame.pixelColor(x, y);
            }
        }
    }
    return brightest;
}

TEST(BrandComponents, ButtonsAndCaptionsShowTheirStateInThePalettesColours) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    RenderedBrandQml rendered(
        "Rectangle { width: 400; height: 260; color: BrandPalette.background\n"
        "  Column { x: 10; y: 10; spacing: 8\n"
        "    Row { spacing: 8\n"
        "      BrandPrimaryButton { objectName: \"primary\"; text: \"Join\" }\n"
        "      BrandPrimaryButton { objectName: \"primaryPressed\"; text: \"Join\"; down: true }\n"
        "      BrandPrimaryButton { objectName: \"primaryDisabled\"; text: \"Join\"; enabled: false } }\n"
        // On white, where the surface's opacity shows plainly.
        "    Rectangle { color: \"white\"; width: secondaries.width; height: secondaries.height\n"
        "      Row { id: secondaries; spacing: 8\n"
        "        BrandSecondaryButton { objectName: \"secondary\"; text: \"Hide\" }\n"
        "        BrandSecondaryButton { objectName: \"secondaryPressed\"; text: \"Hide\"; down: true }\n"
        "        BrandSecondaryButton { objectName: \"secondaryDisabled\"; text: \"Hide\"; enabled: false } } }\n"
        "    BrandCaption { objectName: \"caption\"; text: \"Takes over the screen before a meeting starts.\" }\n"
        "    BrandCaption { objectName: \"captionDisabled\"; enabled: false\n"
        "      text: \"Takes over the screen before a meeting starts.\" } } }",
        QSize(400, 260));
    ASSERT_TRUE(rendered.root) << rendered.error;
    const QImage frame = rendered.window.grabWindow();
    ASSERT_FALSE(frame.isNull());
    QObject& root = *rendered.root;

    const QColor background(0x10, 0x12, 0x16);
    const QColor accent(0x7D, 0x5C, 0xE8);
    const QColor accentPressed(0x6D, 0x48, 0xE5);
    const QColor surface(0x1B, 0x1D, 0x24);
    const QColor textSecondary(0x8A, 0x8F, 0x9A);
    EXPECT_TRUE(sameColour(frame.pixelColor(2, 2), background));

    EXPECT_TRUE(sameColour(fillOf(frame, root, "primary"), accent));
    EXPECT_TRUE(sameColour(fillOf(frame, root, "primaryPressed"), blended(accentPressed, 0.92, background)));
    EXPECT_TRUE(sameColour(fillOf(frame, root, "primaryDisabled"), blended(accent, 0.45, background)));

    EXPECT_TRUE(sameColour(fillOf(frame, root, "secondary"), surface));
    EXPECT_TRUE(sameColour(fillOf(frame, root, "secondaryPressed"), blended(surface, 0.7, Qt::white)));
    EXPECT_TRUE(sameColour(fillOf(frame, root, "secondaryDisabled"), blended(surface, 0.45, Qt::white)));

    EXPECT_TRUE(sameColour(brightestUnder(frame, root, "caption"), textSecondary));
    EXPECT_TRUE(sameColour(brightestUnder(frame, root, "captionDisabled"), blended(textSecondary, 0.45, background)));
    EXPECT_EQ(rendered.warnings.text(), "");
}

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
