import QtQuick
import QtQuick.Layouts
import "../brand"

// "Launch at Login"; a failure shows its error and the switch returns to where it was.
ColumnLayout {
    spacing: 2
    Component.onCompleted: meetingsModel.reload()

    BrandSettingRow {
        Layout.fillWidth: true
        caption: "Starts Kindora automatically so the household can always reach you."
        BrandSwitch {
            width: parent.width
            text: "Launch at Login"
            checked: meetingsModel.launchAtLogin
            onToggled: { meetingsModel.setLaunchAtLogin(checked); checked = Qt.binding(() => meetingsModel.launchAtLogin) }
        }
    }
    BrandCaption {
        text: meetingsModel.launchAtLoginError
        visible: text.length > 0
        color: BrandPalette.degraded
        Layout.fillWidth: true
    }
}
