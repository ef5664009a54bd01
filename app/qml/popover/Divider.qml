import QtQuick
import QtQuick.Layouts
import "../brand"

Rectangle {
    implicitHeight: 1
    Layout.fillWidth: true
    color: BrandPalette.border
}
