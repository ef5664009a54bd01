import QtQuick
import QtQuick.Layouts

// One label and value of the dashboard, read as "label: value" by a screen reader.
RowLayout {
    id: row
    property string label
    property string value

    spacing: 8
    Accessible.role: Accessible.StaticText
    Accessible.name: label + ": " + value

    Text {
        textFormat: Text.PlainText
        text: row.label
        color: BrandPalette.textSecondary
        font.pixelSize: BrandTextStyle.body
        Layout.fillWidth: true
    }
    Text {
        textFormat: Text.PlainText
        text: row.value
        color: BrandPalette.textPrimary
        font.pixelSize: BrandTextStyle.body
    }
}
