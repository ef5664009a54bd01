#include "app/KindoraApplication.hpp"

#include "app/UncaughtExceptionLog.hpp"

namespace kindora {

KindoraApplication::KindoraApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Kindora"));
    setOrganizationName(QStringLiteral("quillmere"));
    setOrganizationDomain(QStringLiteral("quillmere.com"));
    // A tray agent: closing its last window must not end it.
    setQuitOnLastWindowClosed(false);
}

bool KindoraApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        UncaughtExceptionLog::logCurrentException("reportException");
        return false;
    }
}

}  // namespace kindora
