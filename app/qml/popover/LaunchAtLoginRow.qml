import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// "Launch at Login"; a failure shows its error and the switch returns to where it was.
ColumnLayout {
    id: row
    required property MeetingSettingsViewModel meetings
    spacing: 2
    Component.onCompleted: row.meetings.reload()

    BrandSettingRow {
        Layout.fillWidth: true
        caption: qsTr("Starts Kindora automatically so the household can always reach you.")
        BrandSwitch {
            id: launchAtLogin
            width: parent.width
            text: qsTr("Launch at Login")
            checked: row.meetings.launchAtLogin
            onToggled: {
                row.meetings.setLaunchAtLogin(launchAtLogin.checked)
                launchAtLogin.checked = Qt.binding(() => row.meetings.launchAtLogin)
            }
        }
    }
    BrandCaption {
        text: row.meetings.launchAtLoginError
        visible: text.length > 0
        color: BrandPalette.degraded
        Layout.fillWidth: true
    }
}
