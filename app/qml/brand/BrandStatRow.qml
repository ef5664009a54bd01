import QtQuick

// One label and value of the dashboard, read as "label: value" by a screen reader. The value keeps to
// the right edge by anchors, so that it moves with every change of its width (a time replacing "—").
Item {
    id: row
    property string label
    property string value

    implicitWidth: labelText.implicitWidth + 8 + valueText.implicitWidth
    implicitHeight: Math.max(labelText.implicitHeight, valueText.implicitHeight)
    Accessible.role: Accessible.StaticText
    Accessible.name: label + ": " + value

    Text {
        id: labelText
        anchors.left: parent.left
        anchors.right: valueText.left
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        textFormat: Text.PlainText
        text: row.label
        color: BrandPalette.textSecondary
        font.pixelSize: BrandTextStyle.body
        elide: Text.ElideRight
    }
    Text {
        id: valueText
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        textFormat: Text.PlainText
        text: row.value
        color: BrandPalette.textPrimary
        font.pixelSize: BrandTextStyle.body
    }
}
