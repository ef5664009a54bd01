import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

ColumnLayout {
    id: screen
    required property PairingCodeViewModel pairingCode
    spacing: 12

    BrandPopoverHeader {
        statusLabel: qsTr("Pairing")
        statusColor: BrandPalette.accent
        Layout.fillWidth: true
    }
    BrandText {
        text: screen.pairingCode.instruction
        color: BrandPalette.textPrimary
        font.pixelSize: BrandTextStyle.body
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    PairingCodeView { pairingCode: screen.pairingCode; Layout.fillWidth: true; focus: true }
    BrandSecondaryButton {
        text: qsTr("Cancel")
        onClicked: screen.pairingCode.cancel()
        Layout.alignment: Qt.AlignRight
    }
}
