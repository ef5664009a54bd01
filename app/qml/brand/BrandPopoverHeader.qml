import QtQuick
import QtQuick.Layouts

// The menu-bar window's header: the mark, the product name and the status pill.
RowLayout {
    id: header
    property string statusLabel
    property color statusColor: BrandPalette.healthy

    spacing: 8
    BrandZovudIzud { size: 22; color: BrandPalette.accent }
    Text {
        textFormat: Text.PlainText
        text: "Kindora"
        color: "white"
        font.pixelSize: BrandTextStyle.subheadline
        font.weight: Font.DemiBold
        Layout.fillWidth: true
    }
    BrandStatusPill {
        label: header.statusLabel
        color: header.statusColor
    }
}
