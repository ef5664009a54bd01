import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// The pairing code, large and monospaced; clicking it copies it. Below, the expiry countdown.
ColumnLayout {
    id: view
    required property PairingCodeViewModel pairingCode
    property bool justCopied: false
    spacing: 6
    // Its clock ticks while it is on screen, and only then.
    Binding {
        target: view.pairingCode
        property: "shown"
        value: view.visible && view.Window.visibility !== Window.Hidden
    }
    Component.onDestruction: view.pairingCode.shown = false

    Button {
        id: codeButton
        text: view.pairingCode.code
        flat: true
        focusPolicy: Qt.StrongFocus
        Accessible.name: qsTr("Pairing code %1").arg(view.pairingCode.code)
        Accessible.description: qsTr("Click to copy the pairing code")
        Accessible.onPressAction: clicked()
        ToolTip.visible: hovered
        ToolTip.text: qsTr("Click to copy the pairing code")
        Layout.alignment: Qt.AlignHCenter
        contentItem: Row {
            spacing: 10
            Text {
                textFormat: Text.PlainText
                text: codeButton.text
                color: "white"
                font.family: "monospace"
                font.pixelSize: BrandTextStyle.code
                font.weight: Font.DemiBold
                font.letterSpacing: 3
            }
            // A copy mark (two overlapping sheets), a check once copied.
            Item {
                width: 18
                height: 18
                anchors.verticalCenter: parent.verticalCenter
                Rectangle {
                    visible: !view.justCopied
                    x: 5; y: 0; width: 12; height: 13; radius: 2
                    color: "transparent"
                    border.width: 2
                    border.color: BrandPalette.accent
                }
                Rectangle {
                    visible: !view.justCopied
                    x: 0; y: 5; width: 12; height: 13; radius: 2
                    color: BrandPalette.surface
                    border.width: 2
                    border.color: BrandPalette.accent
                }
                Text {
                    textFormat: Text.PlainText
                    visible: view.justCopied
                    anchors.centerIn: parent
                    text: "✓"
                    color: BrandPalette.accent
                    font.pixelSize: BrandTextStyle.headline
                }
            }
        }
        background: Rectangle {
            radius: 10
            color: BrandPalette.surface
            border.width: codeButton.visualFocus ? 2 : 1
            border.color: codeButton.visualFocus ? BrandPalette.accent : BrandPalette.border
        }
        onClicked: {
            view.pairingCode.copy()
            view.justCopied = true
            resetCopied.restart()
        }
    }
    Timer {
        id: resetCopied
        interval: 2000
        onTriggered: view.justCopied = false
    }
    BrandCaption {
        text: qsTr("Copied to clipboard")
        visible: view.justCopied
        Layout.alignment: Qt.AlignHCenter
    }
    BrandText {
        text: view.pairingCode.expiry
        color: BrandPalette.textSecondary
        font.pixelSize: BrandTextStyle.callout
        Layout.alignment: Qt.AlignHCenter
    }
}
