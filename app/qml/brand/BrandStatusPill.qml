import QtQuick

// A small status label on the surface colour; a dot in `color` marks the status.
Item {
    id: pill
    property string label
    property color color: BrandPalette.healthy

    implicitWidth: row.implicitWidth + 16
    implicitHeight: row.implicitHeight + 6
    Accessible.role: Accessible.StaticText
    Accessible.name: label

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: BrandPalette.surface
        border.width: 1
        border.color: BrandPalette.border
    }
    Row {
        id: row
        anchors.centerIn: parent
        spacing: 5
        Rectangle {
            width: 7
            height: 7
            radius: 3.5
            color: pill.color
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            textFormat: Text.PlainText
            text: pill.label
            color: BrandPalette.textPrimary
            font.pixelSize: BrandTextStyle.caption
            font.weight: Font.Medium
        }
    }
}
