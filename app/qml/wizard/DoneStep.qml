import QtQuick

WizardStepLayout {
    title: "You're All Set"
    primaryText: "Got it"
    onPrimaryClicked: wizardModel.finish()

    StepText { text: texts.doneIntro }
    StepText { text: texts.doneWhereToFind }
}
