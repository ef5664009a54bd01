import QtQuick
import QtQuick.Layouts
import "../brand"

// What the takeover shows on every screen but the primary one: the meeting and its countdown.
Rectangle {
    color: BrandPalette.background

    ColumnLayout {
        visible: takeover.shown
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 900)
        spacing: 14
        Text {
            textFormat: Text.PlainText
            text: takeover.together ? takeover.meetings.map(m => m.title).join(" · ") : takeover.title
            color: "white"
            font.pixelSize: 44
            font.bold: true
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            Layout.fillWidth: true
        }
        BrandTabularText {
            text: takeover.statusLine
            color: BrandPalette.textPrimary
            font.pixelSize: 22
            Layout.alignment: Qt.AlignHCenter
        }
    }
}
