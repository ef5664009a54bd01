// kindora: the desktop agent. A tray icon opens the popover with the agent's status; the setup wizard
// leads a new user through reading Messages and pairing. One agent per user: a second launch asks the
// running one to show itself and exits.
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QSysInfo>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>

#include "app/DesktopFrontEnd.hpp"
#include "app/KindoraApplication.hpp"
#include "app/i18n/Translations.hpp"
#include "app/platform/DesktopActions.hpp"
#include "app/platform/LinuxPresenceProbe.hpp"
#include "app/platform/NetworkPathLog.hpp"
#include "app/platform/QSettingsDefaults.hpp"
#include "app/platform/QtMainQueue.hpp"
#include "app/platform/SingleInstanceGuard.hpp"
#include "core/agent/Agent.hpp"
#include "core/agent/TerminationSignals.hpp"
#include "core/agent/LogindSessionLockSource.hpp"
#include "core/agent/LogindWakeSource.hpp"
#include "core/backend/BackendEnvironment.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/common/AgentPaths.hpp"
#include "core/common/Log.hpp"
#include "core/credentials/KeychainCredentialStore.hpp"
#include "core/credentials/SecretServiceItems.hpp"
#include "core/credentials/SecretServiceWatcher.hpp"
#include "core/lifecycle/XdgAutostartLoginItemService.hpp"
#include "core/messagesdb/InotifyChatDBChangeWatcher.hpp"
#include "core/update/PackageKitUpdates.hpp"

namespace {

// Qt's own messages (QML warnings among them) go to the agent's log, so that they are kept with the
// rest and a test can require that there are none.
void logQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    static const kindora::Log log("Qt");
    switch (type) {
        case QtDebugMsg:
            log.debug("{}", message.toStdString());
            break;
        case QtInfoMsg:
            log.info("{}", message.toStdString());
            break;
        case QtWarningMsg:
        case QtCriticalMsg:
            log.error("{}", message.toStdString());
            break;
        case QtFatalMsg:
            log.fault("{}", message.toStdString());
            break;
    }
}

// A development build may be pointed at a local kindora-devserver (the end-to-end tests do so); a
// release build always talks to the origin it was built with.
std::string backendOrigin(const kindora::Defaults& defaults) {
#if defined(KINDORA_ALLOWS_LOCAL_BACKEND)
    if (const char* local = std::getenv("KINDORA_DEVELOPMENT_BACKEND_ORIGIN")) {
        const std::string origin = local;
        if (origin.starts_with("http://127.0.0.1:") &&
            kindora::BackendEnvironment::isValidOrigin(origin, true)) {
            return origin;
        }
        std::cerr << "kindora: ignoring KINDORA_DEVELOPMENT_BACKEND_ORIGIN (only http://127.0.0.1:PORT)\n";
    }
#endif
    return kindora::BackendEnvironment::currentBaseURL(defaults);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kindora;
    // Answered before anything else: no display, data directory or running agent is needed for it.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::cout << "kindora " << KINDORA_VERSION << "\n";
        return 0;
    }
    // The agent's few small windows draw quickly in software, and the GPU driver that Qt Quick would
    // load otherwise (Mesa's llvmpipe without a GPU) holds about 70 MB in an agent that runs all day.
    // QT_QUICK_BACKEND still chooses another renderer.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }
    // The alert panel and the meeting takeover must stand above every window, on every desktop, with
    // the keyboard: X11 lets a program do that, Wayland does not. Under Wayland the agent therefore runs
    // through XWayland, unless the user chose a platform.
    if (!std::getenv("QT_QPA_PLATFORM") && std::getenv("WAYLAND_DISPLAY") && std::getenv("DISPLAY")) {
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    // Before any thread exists (Qt starts some with the application): the first SIGTERM or SIGINT
    // quits the event loop, so the agent's threads are joined before the process ends; a second one
    // ends the process at once.
    TerminationSignals terminationSignals(
        [] { QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection); });
    KindoraApplication application(argc, argv);
    const Translations translations(application);
    const Log log("AppDelegate");

    std::filesystem::path dataDirectory;
    try {
        dataDirectory = AgentPaths::ensureDataDirectory();
    } catch (const std::exception& error) {
        std::cerr << "kindora: unusable data directory: " << error.what() << "\n";
        return 1;
    }
    qInstallMessageHandler(logQtMessage);

    // A relaunch after an update waits for the agent it replaces, for as long as that one lives.
    const bool relaunched = std::getenv(DesktopActions::relaunchVariable) != nullptr;
    ::unsetenv(DesktopActions::relaunchVariable);

    QtMainQueue mainQueue;
    SecretServiceItems keyringItems;
    SecretServiceWatcher keyringWatcher;
    KeychainCredentialStore credentialStore(keyringItems, keyringWatcher, Sleeper::live());
    QSettingsDefaults defaults;
    XdgAutostartLoginItemService loginItems(XdgAutostartLoginItemService::defaultAutostartDirectory(),
                                            {QCoreApplication::applicationFilePath().toStdString()});
    CurlTransport transport;
    const std::filesystem::path databasePath = AgentPaths::messagesDatabasePath();
    InotifyChatDBChangeWatcher changeWatcher(databasePath);
    LogindWakeSource wakeSource;
    LogindSessionLockSource sessionLock;
    DesktopActions actions;
    // Updates come through the system's package manager, from the repository the package installed.
    PackageKitUpdates packageUpdates;

    PlatformServices services{
        .mainQueue = mainQueue,
        .credentialStore = credentialStore,
        .defaults = defaults,
        .loginItemService = &loginItems,
        .transport = transport,
        .changeWatcher = changeWatcher,
        .wakeSource = wakeSource,
        .backendBaseURL = backendOrigin(defaults),
        .databasePath = databasePath,
        .dataDirectory = dataDirectory,
        .hostName = QSysInfo::machineHostName().toStdString(),
        .agentVersion = std::string(KINDORA_VERSION),
        .packageUpdates = &packageUpdates,
        .openURL = [&actions](const std::string& url) { actions.openURL(url); },
        .isLikelyInMeeting = [] { return LinuxPresenceProbe::isLikelyInMeeting(); },
        .programName = "kindora",
        .waitForPreviousAgent = relaunched,
        .credentialAccess = &credentialStore,
        .sessionLockSource = &sessionLock,
    };
    // One agent per data directory: the agent takes its lock before it opens anything there. A second
    // kindora asks the running one to show itself; any other agent there is named, and we stop.
    std::unique_ptr<Agent> agent;
    try {
        agent = std::make_unique<Agent>(services);
    } catch (const AgentAlreadyRunningError& running) {
        if (running.program() == "kindora" && SingleInstanceGuard::askRunningAgentToShow(dataDirectory)) {
            std::cout << "Kindora is already running; showing it.\n";
            return 0;
        }
        std::cerr << "kindora: " << running.what() << "\n";
        return 1;
    }
    terminationSignals.setLastSave([&agent] { agent->finishPendingSaves(); });
    // Only the agent that holds the data directory writes to its log.
    Log::addFileSink(dataDirectory / "kindora.log", 5 * 1024 * 1024);
    Log::addJournalSink();
    SingleInstanceGuard guard(dataDirectory);
    guard.listen();
    auto frontEnd = std::make_unique<DesktopFrontEnd>(*agent, actions, loginItems);
    QObject::connect(&guard, &SingleInstanceGuard::activationRequested, frontEnd.get(),
                     &DesktopFrontEnd::activate);
    QObject::connect(&application, &QGuiApplication::applicationStateChanged,
                     [&agent](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive) {
                             agent->becameActive();
                         }
                     });

    NetworkPathLog networkPathLog;
    mainQueue.post([&] {
        log.info("kindora {} reading {}", KINDORA_VERSION, databasePath.string());
        networkPathLog.start();
        frontEnd->show();
        agent->finishLaunching();
    });
    const int status = application.exec();

    frontEnd.reset();
    agent->shutDown();
    terminationSignals.setLastSave({});
    agent.reset();
    credentialStore.shutDown();
    log.info("kindora stopped");
    return status;
}
