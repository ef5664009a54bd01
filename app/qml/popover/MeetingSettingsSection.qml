import QtQuick
import QtQuick.Layouts
import "../brand"

// The meeting switches and the lead-time picker. The wizard words two captions differently.
ColumnLayout {
    property string captionStyle: "menu"
    readonly property bool inWizard: captionStyle === "wizard"
    spacing: 8

    BrandSettingRow {
        Layout.fillWidth: true
        caption: inWizard ? "Takes over the screen before a meeting starts. Requires a calendar connected in the web app."
                          : "Takes over the screen before a meeting starts."
        BrandSwitch {
            width: parent.width
            text: "Meeting disrupt"
            checked: meetingsModel.disruptEnabled
            onToggled: { meetingsModel.disruptEnabled = checked; checked = Qt.binding(() => meetingsModel.disruptEnabled) }
        }
    }
    BrandSettingRow {
        Layout.fillWidth: true
        caption: "How early the takeover appears."
        RowLayout {
            width: parent.width
            BrandText {
                text: "Lead time"
                color: BrandPalette.textPrimary
                font.pixelSize: BrandPalette.bodySize
                Layout.fillWidth: true
            }
            BrandPicker {
                model: meetingsModel.leadTimeLabels
                currentIndex: meetingsModel.leadTimeIndex
                Accessible.name: "Lead time"
                onActivated: (index) => { meetingsModel.leadTimeIndex = index }
            }
        }
    }
    BrandSettingRow {
        Layout.fillWidth: true
        caption: inWizard ? "Opens the meeting link at start time - Meet, Zoom, Teams and Webex."
                          : "Opens the meeting link at start time — Meet, Zoom, Teams and Webex."
        BrandSwitch {
            width: parent.width
            text: "Auto-join meetings"
            checked: meetingsModel.autoJoinEnabled
            onToggled: { meetingsModel.autoJoinEnabled = checked; checked = Qt.binding(() => meetingsModel.autoJoinEnabled) }
        }
    }
    BrandSettingRow {
        Layout.fillWidth: true
        caption: "Skips the auto-open while your mic is live — so a meeting you joined yourself doesn't open twice. It's a guess; the takeover still appears."
        BrandSwitch {
            width: parent.width
            text: "Skip if I'm already in a call"
            checked: meetingsModel.presenceSuppressionEnabled
            onToggled: {
                meetingsModel.presenceSuppressionEnabled = checked
                checked = Qt.binding(() => meetingsModel.presenceSuppressionEnabled)
            }
        }
    }
}
