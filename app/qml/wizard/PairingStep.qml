import QtQuick
import QtQuick.Layouts
import "../popover"
import "../brand"

// Pairing moves on by itself once the household confirms the code.
WizardStepLayout {
    title: "Pair with Kindora"

    StepText {
        text: texts.pairingAlreadyPaired
        visible: statusModel.screen === "running"
    }
    StepText {
        text: statusModel.pairingInstruction
        visible: statusModel.screen === "pairing"
    }
    Loader {
        active: statusModel.screen === "pairing"
        visible: active
        Layout.fillWidth: true
        sourceComponent: PairingCodeView { }
    }
    StepText {
        text: texts.signedOutPrompt
        visible: statusModel.screen !== "running" && statusModel.screen !== "pairing"
    }
    BrandPrimaryButton {
        text: texts.pairThisDeviceButton
        visible: statusModel.screen !== "running" && statusModel.screen !== "pairing"
        enabled: !statusModel.pairingInProgress
        onClicked: wizardModel.startPairing()
    }
    BrandCaption {
        text: statusModel.pairingError
        visible: text.length > 0
        color: BrandPalette.degraded
        Layout.fillWidth: true
    }
}
