#include "tests/app/QtTestApplication.hpp"

#include <gtest/gtest.h>

#include <QThread>

#include "app/i18n/Translations.hpp"

#include <memory>

namespace kindora::testing {

namespace {

// Torn down with the test program's environment, before Qt's own global objects go.
std::unique_ptr<QCoreApplication> application;
// The program's own translations, so that texts read as the person reads them.
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

QCoreApplication& qtApplication() {
    if (!application) {
        static int argc = 1;
        static char name[] = "kindora_app_tests";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QCoreApplication>(argc, argv);
        translations = std::make_unique<Translations>(*application);
    }
    return *application;
}

bool processEventsUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

}  // namespace kindora::testing
