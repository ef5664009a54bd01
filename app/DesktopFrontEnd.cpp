#include "app/DesktopFrontEnd.hpp"

#include <QDBusConnection>
#include <QQmlContext>
#include <QVariantMap>

#include "app/texts/PlatformTexts.hpp"

namespace kindora {

namespace {

QVariantMap textsFor(const PlatformTexts& texts) {
    const auto q = [](const std::string& text) { return QVariant(QString::fromStdString(text)); };
    return QVariantMap{
        {QStringLiteral("signedOutPrompt"), q(texts.signedOutPrompt)},
        {QStringLiteral("doNotDisturbCaption"), q(texts.doNotDisturbCaption)},
        {QStringLiteral("accessMissingTitle"), q(texts.accessMissingTitle)},
        {QStringLiteral("accessMissingHint"), q(texts.accessMissingHint)},
        {QStringLiteral("openAccessSettingsButton"), q(texts.openAccessSettingsButton)},
        {QStringLiteral("welcomeIntro"), q(texts.welcomeIntro)},
        {QStringLiteral("welcomePrivacy"), q(texts.welcomePrivacy)},
        {QStringLiteral("welcomeSteps"), q(texts.welcomeSteps)},
        {QStringLiteral("accessStepTitle"), q(texts.accessStepTitle)},
        {QStringLiteral("accessStepExplanation"), q(texts.accessStepExplanation)},
        {QStringLiteral("accessStepPrivacy"), q(texts.accessStepPrivacy)},
        {QStringLiteral("accessStepRelaunch"), q(texts.accessStepRelaunch)},
        {QStringLiteral("accessStepOpenSettingsButton"), q(texts.accessStepOpenSettingsButton)},
        {QStringLiteral("accessDetected"), q(texts.accessDetected)},
        {QStringLiteral("pairingAlreadyPaired"), q(texts.pairingAlreadyPaired)},
        {QStringLiteral("pairThisDeviceButton"), q(texts.pairThisDeviceButton)},
        {QStringLiteral("doneIntro"), q(texts.doneIntro)},
        {QStringLiteral("doneWhereToFind"), q(texts.doneWhereToFind)},
    };
}

}  // namespace

DesktopFrontEnd::DesktopFrontEnd(Agent& agent, DesktopActions& actions, LoginItemService& loginItems)
    : agent_(agent),
      status_(agent, actions),
      dnd_(agent.doNotDisturbController(), agent.interruptController(),
           [this] { return alertPanelWindow_.canShow(); }),
      meetings_(agent, loginItems),
      wizard_(agent),
      alertContent_(agent.interruptController(), agent.services().clock.nowFunction()),
      meetingContent_(
          agent.meetingDisruptController(), &agent.autoJoinController(),
          [&actions](const std::string& url) { actions.openURL(url); }, agent.services().clock.nowFunction()),
      alertPanelWindow_(engine_, topmost_),
      takeoverWindows_(engine_, topmost_) {
    QQmlContext* context = engine_.rootContext();
    context->setContextProperty(QStringLiteral("statusModel"), &status_);
    context->setContextProperty(QStringLiteral("dndModel"), &dnd_);
    context->setContextProperty(QStringLiteral("meetingsModel"), &meetings_);
    context->setContextProperty(QStringLiteral("wizardModel"), &wizard_);
    if (Updater* updater = agent.updater()) {
        updaterController_ = std::make_unique<UpdaterController>(
            *updater, [this] { activate(); }, [&actions] { actions.relaunchApplication(); });
    }
    context->setContextProperty(QStringLiteral("updaterController"), updaterController_.get());
    context->setContextProperty(QStringLiteral("alertPanel"), &alertContent_);
    context->setContextProperty(QStringLiteral("takeover"), &meetingContent_);
    context->setContextProperty(QStringLiteral("texts"),
                                textsFor(PlatformTexts::current(agent.services().databasePath)));

    const auto mode =
        TrayIcon::isTrayAvailable() ? PopoverWindow::Mode::popover : PopoverWindow::Mode::normalWindow;
    popover_ = std::make_unique<PopoverWindow>(engine_, mode, [this](bool visible) {
        status_.setVisible(visible);
        if (visible) {
            // Opening the popover is coming back to the agent: the phase is derived afresh, so that a
            // database that became readable (or stopped being so) shows at once.
            agent_.becameActive();
        }
    });
    context->setContextProperty(QStringLiteral("popover"), popover_.get());
    popover_->load();

    wizardWindow_ = std::make_unique<WizardWindow>(engine_, [this] { wizard_.close(); });
    wizardWindow_->load();
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
