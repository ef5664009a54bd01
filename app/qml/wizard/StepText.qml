import QtQuick
import QtQuick.Layouts
import Kindora.Brand

BrandText {
    color: BrandPalette.textPrimary
    font.pixelSize: BrandTextStyle.body
    wrapMode: Text.Wrap
    Layout.fillWidth: true
}
