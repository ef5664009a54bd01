import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// Pairing moves on by itself once the household confirms the code.
WizardStepLayout {
    id: step
    required property StatusViewModel status
    required property PairingCodeViewModel pairingCode
    required property ScreenTexts texts
    readonly property bool paired: step.status.screen === StatusViewModel.Running
    readonly property bool showingCode: step.status.screen === StatusViewModel.Pairing
    title: qsTr("Pair with Kindora")

    StepText {
        text: step.texts.pairingAlreadyPaired
        visible: step.paired
    }
    StepText {
        text: step.pairingCode.instruction
        visible: step.showingCode
    }
    Loader {
        active: step.showingCode
        visible: step.showingCode
        Layout.fillWidth: true
        sourceComponent: PairingCodeView { pairingCode: step.pairingCode } // qmllint disable unqualified
    }
    StepText {
        text: step.texts.signedOutPrompt
        visible: !step.paired && !step.showingCode
    }
    BrandPrimaryButton {
        text: step.texts.pairThisDeviceButton
        visible: !step.paired && !step.showingCode
        enabled: !step.status.pairingInProgress
        onClicked: step.status.startPairing()
    }
    BrandCaption {
        text: step.status.pairingError
        visible: text.length > 0
        color: BrandPalette.degraded
        Layout.fillWidth: true
    }
}
