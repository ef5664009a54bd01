import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// The meeting takeover on the screen the person works on: the meeting (or the meetings together), the
// countdown and the ways out. Everything comes from `takeover`, and what the calendar gave is plain
// text. Return and Space press the focused button; with no button focused Return joins where Join is
// offered; Escape hides the takeover (dismisses it when auto-join is off).
Rectangle {
    id: root
    required property MeetingPanelContent takeover
    color: BrandPalette.background
    focus: true

    // Set by the window: false for a moment after the takeover appears, while it holds input back.
    property bool inputArmed: true
    Keys.onReturnPressed: if (root.takeover.joinShown) root.takeover.join()
    Keys.onEnterPressed: if (root.takeover.joinShown) root.takeover.join()
    Keys.onEscapePressed: root.takeover.autoJoinWillOpen ? root.takeover.hide() : root.takeover.dismiss()

    ColumnLayout {
        visible: root.takeover.shown
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 900)
        spacing: 14

        Text {
            textFormat: Text.PlainText
            visible: !root.takeover.together && text !== ""
            text: root.takeover.calendarLabel
            color: BrandPalette.accent
            font.pixelSize: BrandTextStyle.caption
            font.weight: Font.DemiBold
            font.letterSpacing: 1.2
            Layout.alignment: Qt.AlignHCenter
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        Text {
            textFormat: Text.PlainText
            visible: !root.takeover.together
            text: root.takeover.title
            color: "white"
            font.pixelSize: BrandTextStyle.display
            font.bold: true
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            Layout.fillWidth: true
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        Repeater {
            model: root.takeover.together ? root.takeover.meetings : []
            ColumnLayout {
                id: together
                required property var modelData
                spacing: 2
                Layout.alignment: Qt.AlignHCenter
                Text {
                    textFormat: Text.PlainText
                    text: together.modelData.title
                    color: "white"
                    font.pixelSize: BrandTextStyle.display2
                    font.bold: true
                    Layout.alignment: Qt.AlignHCenter
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
                Text {
                    textFormat: Text.PlainText
                    visible: text !== ""
                    text: together.modelData.label
                    color: BrandPalette.accent
                    font.pixelSize: BrandTextStyle.caption
                    font.weight: Font.DemiBold
                    font.letterSpacing: 1.2
                    Layout.alignment: Qt.AlignHCenter
                }
            }
        }
        BrandTabularText {
            text: root.takeover.statusLine
            color: BrandPalette.textPrimary
            font.pixelSize: BrandTextStyle.title2
            Layout.alignment: Qt.AlignHCenter
        }

        RowLayout {
            spacing: 12
            Layout.topMargin: 12
            Layout.alignment: Qt.AlignHCenter
            BrandPrimaryButton {
                visible: root.takeover.joinShown
                text: qsTr("Join")
                font.pixelSize: BrandTextStyle.title3
                font.weight: Font.DemiBold
                horizontalPadding: 32
                verticalPadding: 14
                armed: root.inputArmed
                onClicked: root.takeover.join()
            }
            BrandSecondaryButton {
                visible: root.takeover.autoJoinWillOpen
                text: qsTr("Hide")
                font.pixelSize: BrandTextStyle.title3
                horizontalPadding: 32
                verticalPadding: 14
                armed: root.inputArmed
                onClicked: root.takeover.hide()
            }
            BrandSecondaryButton {
                visible: root.takeover.autoJoinWillOpen
                text: qsTr("Don't auto-join")
                font.pixelSize: BrandTextStyle.title3
                horizontalPadding: 32
                verticalPadding: 14
                armed: root.inputArmed
                onClicked: root.takeover.dontAutoJoin()
            }
            BrandSecondaryButton {
                visible: !root.takeover.autoJoinWillOpen
                text: qsTr("Dismiss")
                font.pixelSize: BrandTextStyle.title3
                horizontalPadding: 32
                verticalPadding: 14
                armed: root.inputArmed
                onClicked: root.takeover.dismiss()
            }
        }
        Text {
            textFormat: Text.PlainText
            visible: text !== ""
            text: root.takeover.autoJoinCaption
            color: BrandPalette.textSecondary
            font.pixelSize: BrandTextStyle.callout
            Layout.alignment: Qt.AlignHCenter
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }
}
