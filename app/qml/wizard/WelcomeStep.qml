import Kindora

WizardStepLayout {
    id: step
    required property ScreenTexts texts
    title: qsTr("Welcome to Kindora")
    primaryText: qsTr("Get Started")
    onPrimaryClicked: step.wizard.advanceFromWelcome()

    StepText { text: step.texts.welcomeIntro }
    StepText { text: step.texts.welcomePrivacy }
    StepText { text: step.texts.welcomeSteps }
}
