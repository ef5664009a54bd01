import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

ColumnLayout {
    id: screen
    required property StatusViewModel status
    required property ScreenTexts texts
    spacing: 12

    RowLayout {
        spacing: 8
        BrandZovudIzud { size: 28 }
        BrandText {
            text: "Kindora"
            color: "white"
            font.pixelSize: BrandTextStyle.headline
            font.weight: Font.DemiBold
        }
    }
    BrandText {
        text: screen.texts.signedOutPrompt
        color: BrandPalette.textPrimary
        font.pixelSize: BrandTextStyle.body
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    StartPairingButton { status: screen.status; Layout.fillWidth: true; focus: true }
    BrandCaption {
        text: screen.status.pairingError
        visible: text.length > 0
        color: BrandPalette.degraded
        Layout.fillWidth: true
    }
    QuitButton { status: screen.status; Layout.alignment: Qt.AlignRight }
}
