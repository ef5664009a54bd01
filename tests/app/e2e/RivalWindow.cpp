// A stand-in for a full-screen application (a video player, a game, a presentation, a chat someone is
// typing in): a window that asks the window manager for full screen on the primary monitor (or on the
// monitor of the index given as its one argument), raises and activates itself whenever it gets
// SIGUSR1, and prints the screens Qt sees. Used by the panels' end-to-end tests.
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

int signalPipe[2];

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

class Rival final : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRect(QPoint(0, 0), size()), QColor(0xC0, 0x30, 0x30));
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setPixelSize(40);
        painter.setFont(font);
        painter.drawText(QRect(QPoint(0, 0), size()), Qt::AlignCenter,
                         QStringLiteral("Rival full-screen application"));
    }
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        std::printf("screen %s %dx%d+%d+%d%s\n", qPrintable(screen->name()), g.width(), g.height(), g.x(),
                    g.y(), screen == QGuiApplication::primaryScreen() ? " primary" : "");
    }
    std::fflush(stdout);

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return 1;
    }
    std::signal(SIGUSR1, onSignal);
    QScreen* screen = QGuiApplication::primaryScreen();
    const auto screens = QGuiApplication::screens();
    if (argc > 1 && std::atoi(argv[1]) >= 0 && std::atoi(argv[1]) < screens.size()) {
        screen = screens[std::atoi(argv[1])];
    }
    Rival rival;
    rival.setTitle(screen == QGuiApplication::primaryScreen() ? QStringLiteral("Rival full screen")
                                                              : QStringLiteral("Rival on ") + screen->name());
    rival.setScreen(screen);
    rival.setGeometry(screen->geometry());
    rival.showFullScreen();
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [&rival] {
        char byte;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        rival.raise();
        rival.requestActivate();
    });
    return application.exec();
}
