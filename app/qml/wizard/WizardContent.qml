import QtQuick
import QtQuick.Layouts
import "../brand"

// The setup wizard window: a header, then the current step (kept on screen while the window closes).
Rectangle {
    id: root
    width: 480
    height: 420
    color: BrandPalette.background
    focus: true
    Shortcut {
        sequence: "Escape"
        context: Qt.WindowShortcut
        onActivated: wizardModel.close()
    }
    Accessible.role: Accessible.Dialog
    Accessible.name: "Set Up Kindora"

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 14

        RowLayout {
            spacing: 8
            BrandZovudIzud { size: 22 }
            BrandText {
                text: "Kindora Setup"
                color: BrandPalette.textSecondary
                font.pixelSize: BrandPalette.calloutSize
                font.weight: Font.DemiBold
            }
        }
        Loader {
            Layout.fillWidth: true
            Layout.fillHeight: true
            focus: true
            source: {
                switch (wizardModel.step) {
                case "fullDiskAccess": return "AccessStep.qml"
                case "pairing": return "PairingStep.qml"
                case "preferences": return "PreferencesStep.qml"
                case "done": return "DoneStep.qml"
                default: return "WelcomeStep.qml"
                }
            }
        }
    }
}
