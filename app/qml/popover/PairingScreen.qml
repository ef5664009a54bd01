import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

ColumnLayout {
    id: screen
    required property StatusViewModel status
    spacing: 12

    BrandPopoverHeader {
        statusLabel: qsTr("Pairing")
        statusColor: BrandPalette.accent
        Layout.fillWidth: true
    }
    BrandText {
        text: screen.status.pairingInstruction
        color: BrandPalette.textPrimary
        font.pixelSize: BrandTextStyle.body
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    PairingCodeView { status: screen.status; Layout.fillWidth: true; focus: true }
    BrandSecondaryButton {
        text: qsTr("Cancel")
        onClicked: screen.status.cancelPairing()
        Layout.alignment: Qt.AlignRight
    }
}
