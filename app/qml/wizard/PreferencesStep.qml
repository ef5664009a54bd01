import QtQuick.Layouts
import Kindora

WizardStepLayout {
    id: step
    required property MeetingSettingsViewModel meetings
    title: qsTr("Preferences")
    primaryText: qsTr("Continue")
    onPrimaryClicked: step.wizard.advanceToDone()

    MeetingSettingsSection { meetings: step.meetings; inWizard: true; Layout.fillWidth: true }
    LaunchAtLoginRow { meetings: step.meetings; Layout.fillWidth: true }
}
