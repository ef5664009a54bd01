import QtQuick
import "."
import QtQuick.Layouts

// One label and value of the dashboard, read as "label: value" by a screen reader.
RowLayout {
    property string label
    property string value

    spacing: 8
    Accessible.role: Accessible.StaticText
    Accessible.name: label + ": " + value

    Text {
        textFormat: Text.PlainText
        text: parent.label
        color: BrandPalette.textSecondary
        font.pixelSize: BrandPalette.bodySize
        Layout.fillWidth: true
    }
    Text {
        textFormat: Text.PlainText
        text: parent.value
        color: BrandPalette.textPrimary
        font.pixelSize: BrandPalette.bodySize
    }
}
