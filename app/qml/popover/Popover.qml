import QtQuick
import QtQuick.Layouts
import "../brand"

// The tray popover: one of four screens, chosen by the agent's phase.
Rectangle {
    id: root
    width: 340
    implicitHeight: loader.implicitHeight + 32
    height: implicitHeight
    color: BrandPalette.background
    border.width: 1
    border.color: BrandPalette.border
    focus: true
    // Escape closes the popover wherever the keyboard focus is.
    Shortcut {
        sequence: "Escape"
        context: Qt.WindowShortcut
        onActivated: popover.close()
    }
    Accessible.role: Accessible.Pane
    Accessible.name: "Kindora"

    Loader {
        id: loader
        x: 16
        y: 16
        width: root.width - 32
        focus: true
        source: {
            switch (statusModel.screen) {
            case "pairing": return "PairingScreen.qml"
            case "running": return "RunningScreen.qml"
            case "fdaMissing": return "AccessMissingScreen.qml"
            default: return "SignedOutScreen.qml"
            }
        }
    }
}
