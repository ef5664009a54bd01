#include "app/platform/DesktopActions.hpp"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace kindora {

void DesktopActions::openURL(const std::string& url) const {
    const QUrl target(QString::fromStdString(url), QUrl::StrictMode);
    if (!target.isValid() || !QDesktopServices::openUrl(target)) {
        logger_.error("Could not open a link with the desktop's default application");
    }
}

bool DesktopActions::hasFullDiskAccessSettings() {
#if defined(__APPLE__)
    return true;
#else
    return false;
#endif
}

void DesktopActions::openFullDiskAccessSettings() const {
#if defined(__APPLE__)
    static const std::string settingsURL =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles";
    openURL(settingsURL);
#endif
}

void DesktopActions::relaunchApplication() const {
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(relaunchVariable), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    if (!process.startDetached()) {
        logger_.error("Relaunch: could not start {}", process.program().toStdString());
    }
    QCoreApplication::quit();
}

}  // namespace kindora
