#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QScreen>

#include "app/windows/PopoverWindow.hpp"
#include "tests/app/GuiTestSupport.hpp"

namespace kindora {
namespace {

// Where the popover opens: under the tray icon when the tray says where it is, at the pointer when it
// cannot (the click was there), above either in the lower half of the screen, and always whole on it.
TEST(PopoverPlacement, OpensAtTheIconOrElseAtThePointerAndStaysOnTheScreen) {
    KINDORA_SKIP_GUI_UNDER_TSAN();
    testing::guiApplication();
    QQmlEngine engine;
    PopoverWindow popover(engine, PopoverWindow::Mode::popover, nullptr);
    popover.view().resize(300, 200);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const auto position = [&] { return popover.view().position(); };

    const QRect icon(screen.left() + 400, screen.top(), 24, 24);
    popover.open(icon);
    EXPECT_EQ(position(), QPoint(icon.center().x() - 150, icon.bottom() + 6));

    // The tray cannot say where its icon is: the pointer stands in for it, here in the lower half.
    QCursor::setPos(screen.left() + 200, screen.bottom() - 10);
    ASSERT_EQ(QCursor::pos(), QPoint(screen.left() + 200, screen.bottom() - 10));
    popover.open();
    EXPECT_EQ(position(), QPoint(screen.left() + 50, screen.bottom() - 10 - 6 - 200));

    // At the screen's corner it is pushed back onto the screen, whole.
    QCursor::setPos(screen.right() - 5, screen.top() + 5);
    popover.open();
    EXPECT_EQ(position(), QPoint(screen.right() - 300, screen.top() + 5 + 6));
    popover.close();
}

}  // namespace
}  // namespace kindora
