#include "app/DesktopFrontEnd.hpp"

#include <QDBusConnection>
#include <QVariantMap>

#include "app/KindoraQmlModules.hpp"
#include "app/texts/PlatformTexts.hpp"

namespace kindora {

DesktopFrontEnd::DesktopFrontEnd(Agent& agent, DesktopActions& actions, LoginItemService& loginItems)
    : agent_(agent),
      statusSource_(agent, actions),
      status_(statusSource_, agent.services().clock.nowFunction(), agent.services().mainQueue),
      popoverPairingCode_(statusSource_, agent.services().clock.nowFunction(), agent.services().mainQueue),
      wizardPairingCode_(statusSource_, agent.services().clock.nowFunction(), agent.services().mainQueue),
      dnd_(agent.doNotDisturbController(), agent.interruptController(), agent.services().clock.nowFunction(),
           agent.services().mainQueue, [this] { return alertPanelWindow_.canShow(); }),
      meetings_(agent.meetingDisruptController(), loginItems),
      wizard_(agent.setupWizardController(), agent.accessGrantDetected()),
      texts_(PlatformTexts::current(agent.services().databasePath)),
      alertContent_(agent.interruptController(), agent.services().clock.nowFunction()),
      meetingContent_(
          agent.meetingDisruptController(), &agent.autoJoinController(),
          [&actions](const std::string& url) { actions.openURL(url); }, agent.services().clock.nowFunction()),
      alertPanelWindow_(engine_, topmost_, alertContent_),
      takeoverWindows_(engine_, topmost_, meetingContent_) {
    useKindoraQmlModules(engine_);
    if (Updater* updater = agent.updater()) {
        updaterController_ = std::make_unique<UpdaterController>(
            *updater, [this] { activate(); }, [&actions] { actions.relaunchApplication(); });
    }

    const auto mode =
        TrayIcon::isTrayAvailable() ? PopoverWindow::Mode::popover : PopoverWindow::Mode::normalWindow;
    popover_ = std::make_unique<PopoverWindow>(engine_, mode, [this](bool visible) {
        status_.setShown(visible);
        if (visible) {
            // Opening the popover is coming back to the agent: the phase is derived afresh, so that a
            // database that became readable (or stopped being so) shows at once.
            agent_.becameActive();
        }
    });
    popover_->load({{QStringLiteral("status"), QVariant::fromValue(&status_)},
                    {QStringLiteral("pairingCode"), QVariant::fromValue(&popoverPairingCode_)},
                    {QStringLiteral("doNotDisturb"), QVariant::fromValue(&dnd_)},
                    {QStringLiteral("meetings"), QVariant::fromValue(&meetings_)},
                    {QStringLiteral("updates"), QVariant::fromValue(updaterController_.get())},
                    {QStringLiteral("texts"), QVariant::fromValue(&texts_)}});

    wizardWindow_ = std::make_unique<WizardWindow>(engine_, [this] { wizard_.close(); });
    wizardWindow_->load({{QStringLiteral("wizard"), QVariant::fromValue(&wizard_)},
                         {QStringLiteral("status"), QVariant::fromValue(&status_)},
                         {QStringLiteral("pairingCode"), QVariant::fromValue(&wizardPairingCode_)},
                         {QStringLiteral("meetings"), QVariant::fromValue(&meetings_)},
                         {QStringLiteral("texts"), QVariant::fromValue(&texts_)}});
    connect(&wizard_, &WizardViewModel::changed, this, [this] { wizardWindow_->setShown(wizard_.open()); });
    wizardWindow_->setShown(wizard_.open());

    // The meeting panel tells the meeting controller whether an alert is on screen from now on.
    agent_.releaseAlertTakeoverLink();
    interruptPanel_ = std::make_unique<InterruptPanelController>(agent_.interruptController(), alertPanelWindow_,
                                                                 sound_, agent_.sessionLocked());
    meetingPanel_ = std::make_unique<MeetingPanelController>(
        agent_.meetingDisruptController(), agent_.interruptController(), meetingContent_, takeoverWindows_,
        screens_, sound_, agent_.sessionLocked());
}

DesktopFrontEnd::~DesktopFrontEnd() = default;

void DesktopFrontEnd::show() {
    tray_ = std::make_unique<TrayIcon>(QDBusConnection::sessionBus(),
                                       [this](const QRect& where) { popover_->toggle(where); });
    // A StatusNotifier host that comes after the agent (a panel starting later at login) brings a tray:
    // the popover opens from it from then on.
    connect(tray_.get(), &TrayIcon::hostAppeared, this,
            [this] { popover_->setMode(PopoverWindow::Mode::popover); });
    tray_->setImage(agent_.menuBarImage());
    subscriptions_.push_back(
        agent_.observeMenuBarImage([this](std::string_view image) { tray_->setImage(image); }));
    tray_->show();
    if (!TrayIcon::isTrayAvailable()) {
        // Without a tray there is no icon to click: the agent shows itself as a window.
        popover_->open();
    }
}

void DesktopFrontEnd::activate() {
    popover_->open();
}

}  // namespace kindora
