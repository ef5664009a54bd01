import QtQuick
import QtQuick.Layouts
import "../brand"

ColumnLayout {
    spacing: 12

    BrandPopoverHeader {
        statusLabel: "Needs access"
        statusColor: BrandPalette.degraded
        Layout.fillWidth: true
    }
    BrandText {
        text: texts.accessMissingTitle
        color: "white"
        font.pixelSize: BrandPalette.bodySize
        font.weight: Font.DemiBold
        wrapMode: Text.WrapAtWordBoundaryOrAnywhere
        Layout.fillWidth: true
    }
    BrandCaption {
        text: texts.accessMissingHint
        Layout.fillWidth: true
    }
    BrandPrimaryButton {
        text: texts.openAccessSettingsButton
        visible: text.length > 0
        onClicked: statusModel.openFullDiskAccessSettings()
        Layout.fillWidth: true
    }
    RowLayout {
        spacing: 8
        BrandSecondaryButton { text: "Check Again"; focus: true; onClicked: statusModel.checkAgain() }
        BrandSecondaryButton { text: "Relaunch"; onClicked: statusModel.relaunch() }
        Item { Layout.fillWidth: true }
        QuitButton { }
    }
}
