import Kindora

WizardStepLayout {
    id: step
    required property ScreenTexts texts
    title: qsTr("You're All Set")
    primaryText: qsTr("Got it")
    onPrimaryClicked: step.wizard.finish()

    StepText { text: step.texts.doneIntro }
    StepText { text: step.texts.doneWhereToFind }
}
