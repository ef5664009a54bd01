import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import "../brand"

// The running dashboard.
ColumnLayout {
    spacing: 10

    BrandPopoverHeader {
        statusLabel: statusModel.healthLabel
        statusColor: statusModel.healthy ? BrandPalette.healthy : BrandPalette.degraded
        Layout.fillWidth: true
    }
    BrandCaption {
        text: statusModel.degradedReason
        visible: !statusModel.healthy
        color: BrandPalette.degraded
        Layout.fillWidth: true
    }
    BrandSecondaryButton {
        text: "Unlock Keyring…"
        visible: statusModel.canUnlockKeyring
        onClicked: statusModel.unlockKeyring()
    }
    ColumnLayout {
        spacing: 4
        Layout.fillWidth: true
        BrandStatRow { label: "Last sync"; value: statusModel.lastSync; Layout.fillWidth: true }
        BrandStatRow { label: "This session"; value: statusModel.sessionCount; Layout.fillWidth: true }
        BrandStatRow { label: "Lifetime"; value: statusModel.lifetimeCount; Layout.fillWidth: true }
        BrandStatRow { label: "Heartbeat"; value: statusModel.heartbeat; Layout.fillWidth: true }
    }
    RowLayout {
        visible: statusModel.retryCaption.length > 0
        spacing: 8
        Layout.fillWidth: true
        BrandCaption { text: statusModel.retryCaption; Layout.fillWidth: true }
        BrandSecondaryButton { text: "Sync now"; onClicked: statusModel.syncNow() }
    }
    Divider { }
    DoNotDisturbSection { Layout.fillWidth: true }
    Divider { }
    MeetingSettingsSection { Layout.fillWidth: true; captionStyle: "menu" }
    Divider { }
    LaunchAtLoginRow { Layout.fillWidth: true }
    Divider { }
    RowLayout {
        spacing: 8
        Layout.fillWidth: true
        BrandText {
            text: "Version " + statusModel.version
            color: BrandPalette.textSecondary
            font.pixelSize: BrandPalette.captionSize
            Layout.fillWidth: true
        }
        BrandSecondaryButton { text: "Setup…"; onClicked: statusModel.openSetup() }
        BrandSecondaryButton { text: "Open Kindora"; onClicked: statusModel.openKindora() }
    }
    Loader {
        // Only where the agent has an updater.
        active: updaterController !== null
        visible: active
        Layout.fillWidth: true
        sourceComponent: UpdatesRow { }
    }
    RowLayout {
        Layout.fillWidth: true
        BrandFooter { Layout.fillWidth: true }
        QuitButton { }
    }
}
