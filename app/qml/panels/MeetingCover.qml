import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// What the takeover shows on every screen but the primary one: the meeting and its countdown.
Rectangle {
    id: root
    required property MeetingPanelContent takeover

    // The titles of meetings taken over together, on one line.
    function titles(meetings: var): string {
        const titles = []
        for (const meeting of meetings)
            titles.push(meeting.title)
        return titles.join(" · ")
    }
    color: BrandPalette.background

    ColumnLayout {
        visible: root.takeover.shown
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 900)
        spacing: 14
        Text {
            textFormat: Text.PlainText
            text: root.takeover.together ? root.titles(root.takeover.meetings) : root.takeover.title
            color: "white"
            font.pixelSize: BrandTextStyle.display
            font.bold: true
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            Layout.fillWidth: true
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        BrandTabularText {
            text: root.takeover.statusLine
            color: BrandPalette.textPrimary
            font.pixelSize: BrandTextStyle.title2
            Layout.alignment: Qt.AlignHCenter
        }
    }
}
