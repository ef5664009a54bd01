import QtQuick
import QtQuick.Layouts
import "../popover"

WizardStepLayout {
    title: "Preferences"
    primaryText: "Continue"
    onPrimaryClicked: wizardModel.advanceToDone()

    MeetingSettingsSection { captionStyle: "wizard"; Layout.fillWidth: true }
    LaunchAtLoginRow { Layout.fillWidth: true }
}
