import QtQuick
import Kindora
import Kindora.Brand

// The tray popover: one of four screens, chosen by the agent's phase.
Rectangle {
    id: root
    required property StatusViewModel status
    required property PairingCodeViewModel pairingCode
    required property DoNotDisturbViewModel doNotDisturb
    required property MeetingSettingsViewModel meetings
    // Null where the agent has no updater.
    required property UpdaterController updates
    required property ScreenTexts texts
    // Escape: the window closes.
    signal closeRequested()

    width: 340
    implicitHeight: screens.implicitHeight + 32
    height: implicitHeight
    color: BrandPalette.background
    border.width: 1
    border.color: BrandPalette.border
    focus: true
    // Escape closes the popover wherever the keyboard focus is.
    Shortcut {
        sequence: "Escape"
        context: Qt.WindowShortcut
        onActivated: root.closeRequested()
    }
    Accessible.role: Accessible.Pane
    Accessible.name: "Kindora"

    ScreenLoader {
        id: screens
        x: 16
        y: 16
        width: root.width - 32
        focus: true
        sourceComponent: {
            switch (root.status.screen) {
            case StatusViewModel.Pairing: return pairingScreen
            case StatusViewModel.Running: return runningScreen
            case StatusViewModel.AccessMissing: return accessMissingScreen
            default: return signedOutScreen
            }
        }
    }
    // Qt 6.4's qmllint does not follow ids into a component (a delegate, a loaded view), though QML does.
    // qmllint disable unqualified
    Component {
        id: signedOutScreen
        SignedOutScreen { status: root.status; texts: root.texts }
    }
    Component {
        id: pairingScreen
        PairingScreen { pairingCode: root.pairingCode }
    }
    Component {
        id: runningScreen
        RunningScreen {
            status: root.status
            doNotDisturb: root.doNotDisturb
            meetings: root.meetings
            updates: root.updates
            texts: root.texts
        }
    }
    Component {
        id: accessMissingScreen
        AccessMissingScreen { status: root.status; texts: root.texts }
    }
    // qmllint enable unqualified
}
