import QtQuick
import QtQuick.Layouts
import "../brand"

// The meeting takeover on the screen the person works on: the meeting (or the meetings together), the
// countdown and the ways out. Everything comes from `takeover`, and what the calendar gave is plain
// text. Return and Space press the focused button; with no button focused Return joins where Join is
// offered; Escape hides the takeover (dismisses it when auto-join is off).
Rectangle {
    id: root
    color: BrandPalette.background
    focus: true

    // Set by the window: false for a moment after the takeover appears, while it holds input back.
    property bool inputArmed: true
    Keys.onReturnPressed: if (takeover.joinShown) takeover.join()
    Keys.onEnterPressed: if (takeover.joinShown) takeover.join()
    Keys.onEscapePressed: takeover.autoJoinWillOpen ? takeover.hide() : takeover.dismiss()

    ColumnLayout {
        visible: takeover.shown
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 900)
        spacing: 14

        Text {
            textFormat: Text.PlainText
            visible: !takeover.together && text !== ""
            text: takeover.calendarLabel
            color: BrandPalette.accent
            font.pixelSize: BrandPalette.captionSize
            font.weight: Font.DemiBold
            font.letterSpacing: 1.2
            Layout.alignment: Qt.AlignHCenter
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        Text {
            textFormat: Text.PlainText
            visible: !takeover.together
            text: takeover.title
            color: "white"
            font.pixelSize: 44
            font.bold: true
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            Layout.fillWidth: true
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
        Repeater {
            model: takeover.together ? takeover.meetings : []
            ColumnLayout {
                spacing: 2
                Layout.alignment: Qt.AlignHCenter
                Text {
                    textFormat: Text.PlainText
                    text: modelData.title
                    color: "white"
                    font.pixelSize: 28
                    font.bold: true
                    Layout.alignment: Qt.AlignHCenter
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
                Text {
                    textFormat: Text.PlainText
                    visible: text !== ""
                    text: modelData.label
                    color: BrandPalette.accent
                    font.pixelSize: BrandPalette.captionSize
                    font.weight: Font.DemiBold
                    font.letterSpacing: 1.2
                    Layout.alignment: Qt.AlignHCenter
                }
            }
        }
        BrandTabularText {
            text: takeover.statusLine
            color: BrandPalette.textPrimary
            font.pixelSize: 22
            Layout.alignment: Qt.AlignHCenter
        }

        RowLayout {
            spacing: 12
            Layout.topMargin: 12
            Layout.alignment: Qt.AlignHCenter
            BrandPrimaryButton {
                visible: takeover.joinShown
                text: "Join"
                font.pixelSize: 20
                font.weight: Font.DemiBold
                horizontalPadding: 32
                verticalPadding: 14
                armed: root.inputArmed
                onClicked: takeover.join()
            }
            BrandSecondaryButton {
                visible: takeover.autoJoinWillOpen
                text: "Hide"
                font.pixelSize: 20
                horizontalPadding: 32
                verticalPadding: 14
                armed: root.inputArmed
                onClicked: takeover.hide()
            }
            BrandSecondaryButton {
                visible: takeover.autoJoinWillOpen
                text: "Don't auto-join"
                font.pixelSize: 20
                horizontalPadding: 32
                verticalPadding: 14
                armed: root.inputArmed
                onClicked: takeover.dontAutoJoin()
            }
            BrandSecondaryButton {
                visible: !takeover.autoJoinWillOpen
                text: "Dismiss"
                font.pixelSize: 20
                horizontalPadding: 32
                verticalPadding: 14
                armed: root.inputArmed
                onClicked: takeover.dismiss()
            }
        }
        Text {
            textFormat: Text.PlainText
            visible: text !== ""
            text: takeover.autoJoinCaption
            color: BrandPalette.textSecondary
            font.pixelSize: BrandPalette.calloutSize
            Layout.alignment: Qt.AlignHCenter
            Accessible.role: Accessible.StaticText
            Accessible.name: text
        }
    }
}
