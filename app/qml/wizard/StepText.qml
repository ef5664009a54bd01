import QtQuick
import QtQuick.Layouts
import "../brand"

BrandText {
    color: BrandPalette.textPrimary
    font.pixelSize: BrandPalette.bodySize
    wrapMode: Text.Wrap
    Layout.fillWidth: true
}
