import QtQuick
import QtQuick.Layouts
import "../brand"

ColumnLayout {
    spacing: 12

    BrandPopoverHeader {
        statusLabel: "Pairing"
        statusColor: BrandPalette.accent
        Layout.fillWidth: true
    }
    BrandText {
        text: statusModel.pairingInstruction
        color: BrandPalette.textPrimary
        font.pixelSize: BrandPalette.bodySize
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    PairingCodeView { Layout.fillWidth: true; focus: true }
    BrandSecondaryButton {
        text: "Cancel"
        onClicked: statusModel.cancelPairing()
        Layout.alignment: Qt.AlignRight
    }
}
