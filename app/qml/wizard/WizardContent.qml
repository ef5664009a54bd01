import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// The setup wizard window: a header, then the current step (kept on screen while the window closes).
Rectangle {
    id: root
    required property WizardViewModel wizard
    required property StatusViewModel status
    required property PairingCodeViewModel pairingCode
    required property MeetingSettingsViewModel meetings
    required property ScreenTexts texts

    width: 480
    height: 420
    color: BrandPalette.background
    focus: true
    Shortcut {
        sequence: "Escape"
        context: Qt.WindowShortcut
        onActivated: root.wizard.close()
    }
    Accessible.role: Accessible.Dialog
    Accessible.name: qsTr("Set Up Kindora")

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 14

        RowLayout {
            spacing: 8
            BrandZovudIzud { size: 22 }
            BrandText {
                text: qsTr("Kindora Setup")
                color: BrandPalette.textSecondary
                font.pixelSize: BrandTextStyle.callout
                font.weight: Font.DemiBold
            }
        }
        ScreenLoader {
            Layout.fillWidth: true
            Layout.fillHeight: true
            focus: true
            sourceComponent: {
                switch (root.wizard.step) {
                case WizardViewModel.FullDiskAccess: return accessStep
                case WizardViewModel.Pairing: return pairingStep
                case WizardViewModel.Preferences: return preferencesStep
                case WizardViewModel.Done: return doneStep
                default: return welcomeStep
                }
            }
        }
    }
    // Qt 6.4's qmllint does not follow ids into a component (a delegate, a loaded view), though QML does.
    // qmllint disable unqualified
    Component {
        id: welcomeStep
        WelcomeStep { wizard: root.wizard; texts: root.texts }
    }
    Component {
        id: accessStep
        AccessStep { wizard: root.wizard; status: root.status; texts: root.texts }
    }
    Component {
        id: pairingStep
        PairingStep { wizard: root.wizard; status: root.status; pairingCode: root.pairingCode; texts: root.texts }
    }
    Component {
        id: preferencesStep
        PreferencesStep { wizard: root.wizard; meetings: root.meetings }
    }
    Component {
        id: doneStep
        DoneStep { wizard: root.wizard; texts: root.texts }
    }
    // qmllint enable unqualified
}
