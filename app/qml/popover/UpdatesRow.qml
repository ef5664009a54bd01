import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// The updates row of the dashboard: the pending update, if any, and the one button that checks,
// shows or installs it; under it what is being installed or why the last step failed.
ColumnLayout {
    id: row
    required property UpdaterController updates
    spacing: 4

    RowLayout {
        spacing: 8
        Layout.fillWidth: true
        BrandText {
            text: row.updates.pendingText
            visible: text.length > 0
            font.pixelSize: BrandTextStyle.caption
            wrapMode: Text.WordWrap
            Layout.fillWidth: true
        }
        Item { visible: row.updates.pendingText.length === 0; Layout.fillWidth: true }
        BrandSecondaryButton {
            text: row.updates.actionTitle
            enabled: row.updates.actionEnabled
            onClicked: row.updates.performAction()
        }
    }
    BrandCaption {
        text: row.updates.caption
        visible: text.length > 0
        color: row.updates.captionIsError ? BrandPalette.degraded : BrandPalette.textSecondary
        Layout.fillWidth: true
    }
}
