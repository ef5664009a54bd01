#pragma once

#include <QObject>
#include <QQmlEngine>

#include <memory>

#include "app/panels/InterruptPanelContent.hpp"
#include "app/panels/InterruptPanelController.hpp"
#include "app/panels/MeetingPanelContent.hpp"
#include "app/panels/MeetingPanelController.hpp"
#include "app/platform/CanberraAlertSound.hpp"
#include "app/platform/DesktopActions.hpp"
#include "app/platform/QtScreenLayout.hpp"
#include "app/platform/X11Topmost.hpp"
#include "app/viewmodels/AgentStatusSource.hpp"
#include "app/viewmodels/DoNotDisturbViewModel.hpp"
#include "app/viewmodels/MeetingSettingsViewModel.hpp"
#include "app/viewmodels/PairingCodeViewModel.hpp"
#include "app/viewmodels/ScreenTexts.hpp"
#include "app/viewmodels/StatusViewModel.hpp"
#include "app/viewmodels/UpdaterController.hpp"
#include "app/viewmodels/WizardViewModel.hpp"
#include "app/windows/AlertPanelWindow.hpp"
#include "app/windows/PopoverWindow.hpp"
#include "app/windows/TakeoverWindows.hpp"
#include "app/windows/TrayIcon.hpp"
#include "app/windows/WizardWindow.hpp"
#include "core/agent/Agent.hpp"

namespace kindora {

// Everything a person sees of the agent: the tray icon, the popover with its four screens, the setup
// wizard window, the alert panel and the meeting takeover, over one QML engine whose views read the
// view models below. Main thread only; it must be destroyed before the agent.
class DesktopFrontEnd final : public QObject {
    Q_OBJECT
public:
    DesktopFrontEnd(Agent& agent, DesktopActions& actions, LoginItemService& loginItems);
    ~DesktopFrontEnd() override;

    // Shows the tray icon, or without a tray the popover as an ordinary window.
    void show();
    // Another launch asked this agent to show itself.
    void activate();

    PopoverWindow& popover() { return *popover_; }
    WizardWindow& wizardWindow() { return *wizardWindow_; }
    AlertPanelWindow& alertPanelWindow() { return alertPanelWindow_; }
    TakeoverWindows& takeoverWindows() { return takeoverWindows_; }

private:
    Agent& agent_;
    QQmlEngine engine_;
    // The view models and texts outlive the windows that show them (declared before them).
    AgentStatusSource statusSource_;
    StatusViewModel status_;
    // The popover's pairing screen and the wizard's pairing step each count down on their own.
    PairingCodeViewModel popoverPairingCode_;
    PairingCodeViewModel wizardPairingCode_;
    DoNotDisturbViewModel dnd_;
    MeetingSettingsViewModel meetings_;
    WizardViewModel wizard_;
    ScreenTexts texts_;
    std::unique_ptr<UpdaterController> updaterController_;
    std::unique_ptr<PopoverWindow> popover_;
    std::unique_ptr<WizardWindow> wizardWindow_;
    std::unique_ptr<TrayIcon> tray_;

    // The full-screen panels.
    InterruptPanelContent alertContent_;
    MeetingPanelContent meetingContent_;
    X11Topmost topmost_;
    QtScreenLayout screens_;
    CanberraAlertSound sound_;
    AlertPanelWindow alertPanelWindow_;
    TakeoverWindows takeoverWindows_;
    std::unique_ptr<InterruptPanelController> interruptPanel_;
    std::unique_ptr<MeetingPanelController> meetingPanel_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace kindora
