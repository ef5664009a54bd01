import QtQuick

// "Powered by Kindora" after a diamond glyph.
Row {
    id: footer
    property real glyphSize: 7
    property font font: Qt.font({ pixelSize: BrandTextStyle.caption })

    spacing: 6
    BrandDiamondGlyph {
        size: footer.glyphSize
        color: BrandPalette.accent
        anchors.verticalCenter: parent.verticalCenter
    }
    Text {
        textFormat: Text.PlainText
        text: qsTr("Powered by Kindora")
        font: footer.font
        color: BrandPalette.textSecondary
    }
}
