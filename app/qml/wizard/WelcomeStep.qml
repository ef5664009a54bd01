import QtQuick

WizardStepLayout {
    title: "Welcome to Kindora"
    primaryText: "Get Started"
    onPrimaryClicked: wizardModel.advanceFromWelcome()

    StepText { text: texts.welcomeIntro }
    StepText { text: texts.welcomePrivacy }
    StepText { text: texts.welcomeSteps }
}
