import QtQuick
import "."

// "Powered by Kindora" after a diamond glyph.
Row {
    property real glyphSize: 7
    property font font: Qt.font({ pixelSize: BrandPalette.captionSize })

    spacing: 6
    BrandDiamondGlyph {
        size: parent.glyphSize
        color: BrandPalette.accent
        anchors.verticalCenter: parent.verticalCenter
    }
    Text {
        textFormat: Text.PlainText
        text: "Powered by Kindora"
        font: parent.font
        color: BrandPalette.textSecondary
    }
}
