import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

WizardStepLayout {
    id: step
    required property StatusViewModel status
    required property ScreenTexts texts
    title: step.texts.accessStepTitle

    StepText { text: step.texts.accessStepExplanation; wrapMode: Text.WrapAtWordBoundaryOrAnywhere }
    StepText { text: step.texts.accessStepPrivacy }
    StepText { text: step.texts.accessStepRelaunch }
    StepText {
        text: step.texts.accessDetected
        visible: step.wizard.grantDetected
        color: BrandPalette.healthy
    }
    RowLayout {
        spacing: 8
        BrandSecondaryButton {
            text: step.texts.accessStepOpenSettingsButton
            visible: text.length > 0
            onClicked: step.status.openFullDiskAccessSettings()
        }
        BrandPrimaryButton { text: qsTr("Relaunch Kindora"); onClicked: step.status.relaunch() }
    }
}
