import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// The meeting switches and the lead-time picker. The wizard words two captions differently.
ColumnLayout {
    id: section
    required property MeetingSettingsViewModel meetings
    property bool inWizard: false
    spacing: 8

    BrandSettingRow {
        Layout.fillWidth: true
        caption: section.inWizard ? qsTr("Takes over the screen before a meeting starts. Requires a calendar connected in the web app.")
                                  : qsTr("Takes over the screen before a meeting starts.")
        BrandSwitch {
            id: disrupt
            width: parent.width
            text: qsTr("Meeting disrupt")
            checked: section.meetings.disruptEnabled
            onToggled: {
                section.meetings.disruptEnabled = disrupt.checked
                disrupt.checked = Qt.binding(() => section.meetings.disruptEnabled)
            }
        }
    }
    BrandSettingRow {
        Layout.fillWidth: true
        caption: qsTr("How early the takeover appears.")
        RowLayout {
            width: parent.width
            BrandText {
                text: qsTr("Lead time")
                color: BrandPalette.textPrimary
                font.pixelSize: BrandTextStyle.body
                Layout.fillWidth: true
            }
            BrandPicker {
                model: section.meetings.leadTimeLabels
                currentIndex: section.meetings.leadTimeIndex
                Accessible.name: qsTr("Lead time")
                onActivated: (index) => { section.meetings.leadTimeIndex = index }
            }
        }
    }
    BrandSettingRow {
        Layout.fillWidth: true
        caption: section.inWizard ? qsTr("Opens the meeting link at start time - Meet, Zoom, Teams and Webex.")
                                  : qsTr("Opens the meeting link at start time — Meet, Zoom, Teams and Webex.")
        BrandSwitch {
            id: autoJoin
            width: parent.width
            text: qsTr("Auto-join meetings")
            checked: section.meetings.autoJoinEnabled
            onToggled: {
                section.meetings.autoJoinEnabled = autoJoin.checked
                autoJoin.checked = Qt.binding(() => section.meetings.autoJoinEnabled)
            }
        }
    }
    BrandSettingRow {
        Layout.fillWidth: true
        caption: qsTr("Skips the auto-open while your mic is live — so a meeting you joined yourself doesn't open twice. It's a guess; the takeover still appears.")
        BrandSwitch {
            id: presence
            width: parent.width
            text: qsTr("Skip if I'm already in a call")
            checked: section.meetings.presenceSuppressionEnabled
            onToggled: {
                section.meetings.presenceSuppressionEnabled = presence.checked
                presence.checked = Qt.binding(() => section.meetings.presenceSuppressionEnabled)
            }
        }
    }
}
