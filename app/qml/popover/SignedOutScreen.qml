import QtQuick
import QtQuick.Layouts
import "../brand"

ColumnLayout {
    spacing: 12

    RowLayout {
        spacing: 8
        BrandZovudIzud { size: 28 }
        BrandText {
            text: "Kindora"
            color: "white"
            font.pixelSize: BrandPalette.titleSize
            font.weight: Font.DemiBold
        }
    }
    BrandText {
        text: texts.signedOutPrompt
        color: BrandPalette.textPrimary
        font.pixelSize: BrandPalette.bodySize
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
    }
    StartPairingButton { Layout.fillWidth: true; focus: true }
    BrandCaption {
        text: statusModel.pairingError
        visible: text.length > 0
        color: BrandPalette.degraded
        Layout.fillWidth: true
    }
    QuitButton { Layout.alignment: Qt.AlignRight }
}
