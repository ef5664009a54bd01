import QtQuick
import QtQuick.Layouts
import Kindora.Brand

Rectangle {
    implicitHeight: 1
    Layout.fillWidth: true
    color: BrandPalette.border
}
