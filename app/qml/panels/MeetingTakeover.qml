import QtQuick
import QtQuick.Layouts
import "../brand"

// The meeting takeover on the primary screen: the meeting (or the meetings together), the countdown and
// the ways out. Everything comes from `takeover`; Return joins where Join is offered.
Rectangle {
    id: root
    color: BrandPalette.background
    focus: true

    Keys.onReturnPressed: if (takeover.joinShown) takeover.join()
    Keys.onEnterPressed: if (takeover.joinShown) takeover.join()

    ColumnLayout {
        visible: takeover.shown
        anchors.centerIn: parent
        width: Math.min(parent.width - 80, 900)
        spacing: 14

        Text {
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
                    text: modelData.title
                    color: "white"
                    font.pixelSize: 28
                    font.bold: true
                    Layout.alignment: Qt.AlignHCenter
                    Accessible.role: Accessible.StaticText
                    Accessible.name: text
                }
                Text {
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
        Text {
            text: takeover.statusLine
            color: BrandPalette.textPrimary
            font.pixelSize: 22
            Layout.alignment: Qt.AlignHCenter
            Accessible.role: Accessible.StaticText
            Accessible.name: text
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
                onClicked: takeover.join()
            }
            BrandSecondaryButton {
                visible: takeover.autoJoinWillOpen
                text: "Hide"
                font.pixelSize: 20
                horizontalPadding: 32
                verticalPadding: 14
                onClicked: takeover.hide()
            }
            BrandSecondaryButton {
                visible: takeover.autoJoinWillOpen
                text: "Don't auto-join"
                font.pixelSize: 20
                horizontalPadding: 32
                verticalPadding: 14
                onClicked: takeover.dontAutoJoin()
            }
            BrandSecondaryButton {
                visible: !takeover.autoJoinWillOpen
                text: "Dismiss"
                font.pixelSize: 20
                horizontalPadding: 32
                verticalPadding: 14
                onClicked: takeover.dismiss()
            }
        }
        Text {
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
