#include "tests/app/GuiTestSupport.hpp"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QQmlError>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "app/i18n/Translations.hpp"

namespace kindora::testing {

namespace {

std::mutex warningsMutex;
QStringList* activeWarnings = nullptr;
QtMessageHandler previousHandler = nullptr;

void collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        std::lock_guard lock(warningsMutex);
        if (activeWarnings && type != QtDebugMsg && type != QtInfoMsg) {
            activeWarnings->append(message);
        }
    }
    if (previousHandler) {
        previousHandler(type, context, message);
    }
}

// The application object must go before Qt's own global objects do, so it lives from its first use
// until the test program's environment is torn down, not until static destruction.
std::unique_ptr<KindoraApplication> application;
std::unique_ptr<Translations> translations;

class ApplicationEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        translations.reset();
        application.reset();
    }
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

KindoraApplication& guiApplication() {
    if (!application) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "kindora_app_gui_tests";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<KindoraApplication>(argc, argv);
        translations = std::make_unique<Translations>(*application);
    }
    return *application;
}

QmlWarnings::QmlWarnings() {
    std::lock_guard lock(warningsMutex);
    activeWarnings = &warnings_;
    previousHandler = qInstallMessageHandler(collect);
}

QmlWarnings::~QmlWarnings() {
    std::lock_guard lock(warningsMutex);
    qInstallMessageHandler(previousHandler);
    activeWarnings = nullptr;
}

void QmlWarnings::watch(QQmlEngine& engine) {
    engine.setOutputWarningsToStandardError(false);
    QObject::connect(&engine, &QQmlEngine::warnings, [this](const QList<QQmlError>& errors) {
        std::lock_guard lock(warningsMutex);
        for (const auto& error : errors) {
            warnings_.append(error.toString());
        }
    });
}

std::string QmlWarnings::text() const {
    std::lock_guard lock(warningsMutex);
    return warnings_.join(QLatin1Char('\n')).toStdString();
}

void renderOnce(QQuickWindow& window) {
    bool swapped = false;
    const auto connection =
        QObject::connect(&window, &QQuickWindow::frameSwapped, [&swapped] { swapped = true; });
    window.requestUpdate();
    QElapsedTimer timer;
    timer.start();
    while (!swapped && timer.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QObject::disconnect(connection);
    QCoreApplication::processEvents();
}

}  // namespace kindora::testing
