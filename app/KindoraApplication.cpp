#include "app/KindoraApplication.hpp"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <typeinfo>

#include "core/agent/CrashLogging.hpp"

namespace kindora {

namespace {

std::string readableTypeName(const char* mangled) {
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> readable(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(mangled);
}

// Logs the exception being handled, with the stack of the place that caught it (the event delivery
// that let it escape).
void logEscapedException() {
    const auto frames = CrashLogging::currentStack(1);
    try {
        throw;
    } catch (const std::exception& error) {
        CrashLogging::logUncaughtException("reportException", readableTypeName(typeid(error).name()),
                                           error.what(), frames);
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        CrashLogging::logUncaughtException("reportException",
                                           type ? readableTypeName(type->name()) : "unknown", "", frames);
    }
}

}  // namespace

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
        logEscapedException();
        return false;
    }
}

}  // namespace kindora
