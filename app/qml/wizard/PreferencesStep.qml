import QtQuick.Layouts
import Kindora

WizardStepLayout {
    id: step
    required property MeetingSettingsViewModel meetings
    title: "Preferences"
    primaryText: "Continue"
    onPrimaryClicked: step.wizard.advanceToDone()

    MeetingSettingsSection { meetings: step.meetings; inWizard: true; Layout.fillWidth: true }
    LaunchAtLoginRow { meetings: step.meetings; Layout.fillWidth: true }
}
