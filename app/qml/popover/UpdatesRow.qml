import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import "../brand"

// The updates row of the dashboard: the pending update, if any, and the one button that checks,
// shows or installs it; under it what is being installed or why the last step failed.
ColumnLayout {
    spacing: 4

    RowLayout {
        spacing: 8
        Layout.fillWidth: true
        BrandText {
            text: updaterController.pendingText
            visible: text.length > 0
            font.pixelSize: BrandPalette.captionSize
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Item { visible: updaterController.pendingText.length === 0; Layout.fillWidth: true }
        BrandSecondaryButton {
            text: updaterController.actionTitle
            enabled: updaterController.actionEnabled
            onClicked: updaterController.performAction()
        }
    }
    BrandCaption {
        text: updaterController.caption
        visible: text.length > 0
        color: updaterController.captionIsError ? BrandPalette.degraded : BrandPalette.textSecondary
        Layout.fillWidth: true
    }
}
