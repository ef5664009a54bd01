import QtQuick
import QtQuick.Layouts
import "../brand"

WizardStepLayout {
    title: texts.accessStepTitle

    StepText { text: texts.accessStepExplanation; wrapMode: Text.WrapAtWordBoundaryOrAnywhere }
    StepText { text: texts.accessStepPrivacy }
    StepText { text: texts.accessStepRelaunch }
    StepText {
        text: texts.accessDetected
        visible: wizardModel.grantDetected
        color: BrandPalette.healthy
    }
    RowLayout {
        spacing: 8
        BrandSecondaryButton {
            text: texts.accessStepOpenSettingsButton
            visible: text.length > 0
            onClicked: statusModel.openFullDiskAccessSettings()
        }
        BrandPrimaryButton { text: "Relaunch Kindora"; onClicked: statusModel.relaunch() }
    }
}
