import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

ColumnLayout {
    id: screen
    required property StatusViewModel status
    required property ScreenTexts texts
    spacing: 12

    BrandPopoverHeader {
        statusLabel: qsTr("Needs access")
        statusColor: BrandPalette.degraded
        Layout.fillWidth: true
    }
    BrandText {
        text: screen.texts.accessMissingTitle
        color: "white"
        font.pixelSize: BrandTextStyle.body
        font.weight: Font.DemiBold
        wrapMode: Text.WrapAtWordBoundaryOrAnywhere
        Layout.fillWidth: true
    }
    BrandCaption {
        text: screen.texts.accessMissingHint
        Layout.fillWidth: true
    }
    BrandPrimaryButton {
        text: screen.texts.openAccessSettingsButton
        visible: text.length > 0
        onClicked: screen.status.openFullDiskAccessSettings()
        Layout.fillWidth: true
    }
    RowLayout {
        spacing: 8
        BrandSecondaryButton { text: qsTr("Check Again"); focus: true; onClicked: screen.status.checkAgain() }
        BrandSecondaryButton { text: qsTr("Relaunch"); onClicked: screen.status.relaunch() }
        Item { Layout.fillWidth: true }
        QuitButton { status: screen.status }
    }
}
