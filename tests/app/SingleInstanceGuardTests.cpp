#include "app/platform/SingleInstanceGuard.hpp"

#include <gtest/gtest.h>

#include <QLocalSocket>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/app/QtTestApplication.hpp"

namespace kindora {
namespace {

namespace fs = std::filesystem;

// A later launch asks the running agent to show itself; anything else written to the socket, however
// long, is read for one short line at most and the connection is closed, and the next launch is
// still heard.
TEST(SingleInstanceGuard, ALaterLaunchIsHeardAndAnythingElseOnTheSocketIsCutShort) {
    testing::qtApplication();
    const fs::path directory = fs::path(std::getenv("HOME")) / "data";
    fs::create_directories(directory);
    std::ofstream(directory / "kindora.socket") << "left by a crashed agent";
    SingleInstanceGuard running(directory);
    int activations = 0;
    QObject::connect(&running, &SingleInstanceGuard::activationRequested, [&] { ++activations; });
    running.listen();

    QLocalSocket flood;
    flood.connectToServer(QString::fromStdString((directory / "kindora.socket").string()));
    ASSERT_TRUE(flood.waitForConnected(2000));
    const QByteArray endless(1 << 20, 'x');
    flood.write(endless);
    EXPECT_TRUE(testing::processEventsUntil([&] {
        flood.waitForBytesWritten(10);
        return flood.state() == QLocalSocket::UnconnectedState;
    })) << "the agent hangs up instead of buffering the flood";
    EXPECT_EQ(activations, 0);

    EXPECT_TRUE(SingleInstanceGuard::askRunningAgentToShow(directory));
    EXPECT_TRUE(testing::processEventsUntil([&] { return activations == 1; }));
}

}  // namespace
}  // namespace kindora
