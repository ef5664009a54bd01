import Kindora

WizardStepLayout {
    id: step
    required property ScreenTexts texts
    title: "You're All Set"
    primaryText: "Got it"
    onPrimaryClicked: step.wizard.finish()

    StepText { text: step.texts.doneIntro }
    StepText { text: step.texts.doneWhereToFind }
}
