import QtQuick
import QtQuick.Layouts
import Kindora
import Kindora.Brand

// The running dashboard.
ColumnLayout {
    id: screen
    required property StatusViewModel status
    required property DoNotDisturbViewModel doNotDisturb
    required property MeetingSettingsViewModel meetings
    // Null where the agent has no updater.
    required property UpdaterController updates
    required property ScreenTexts texts
    spacing: 10

    BrandPopoverHeader {
        statusLabel: screen.status.healthLabel
        statusColor: screen.status.healthy ? BrandPalette.healthy : BrandPalette.degraded
        Layout.fillWidth: true
    }
    BrandCaption {
        text: screen.status.degradedReason
        visible: !screen.status.healthy
        color: BrandPalette.degraded
        Layout.fillWidth: true
    }
    BrandSecondaryButton {
        text: qsTr("Unlock Keyring…")
        visible: screen.status.canUnlockKeyring
        onClicked: screen.status.unlockKeyring()
    }
    ColumnLayout {
        spacing: 4
        Layout.fillWidth: true
        BrandStatRow { label: qsTr("Last sync"); value: screen.status.lastSync; Layout.fillWidth: true }
        BrandStatRow { label: qsTr("This session"); value: screen.status.sessionCount; Layout.fillWidth: true }
        BrandStatRow { label: qsTr("Lifetime"); value: screen.status.lifetimeCount; Layout.fillWidth: true }
        BrandStatRow { label: qsTr("Heartbeat"); value: screen.status.heartbeat; Layout.fillWidth: true }
    }
    RowLayout {
        visible: screen.status.retryCaption.length > 0
        spacing: 8
        Layout.fillWidth: true
        BrandCaption { text: screen.status.retryCaption; Layout.fillWidth: true }
        BrandSecondaryButton { text: qsTr("Sync now"); onClicked: screen.status.syncNow() }
    }
    Divider { }
    DoNotDisturbSection { doNotDisturb: screen.doNotDisturb; texts: screen.texts; Layout.fillWidth: true }
    Divider { }
    MeetingSettingsSection { meetings: screen.meetings; inWizard: false; Layout.fillWidth: true }
    Divider { }
    LaunchAtLoginRow { meetings: screen.meetings; Layout.fillWidth: true }
    Divider { }
    RowLayout {
        spacing: 8
        Layout.fillWidth: true
        BrandText {
            text: qsTr("Version %1").arg(screen.status.version)
            color: BrandPalette.textSecondary
            font.pixelSize: BrandTextStyle.caption
            Layout.fillWidth: true
        }
        BrandSecondaryButton { text: qsTr("Setup…"); onClicked: screen.status.openSetup() }
        BrandSecondaryButton { text: qsTr("Open Kindora"); onClicked: screen.status.openKindora() }
    }
    Loader {
        // Only where the agent has an updater.
        active: screen.updates !== null
        visible: active
        Layout.fillWidth: true
        sourceComponent: UpdatesRow { updates: screen.updates } // qmllint disable unqualified
    }
    RowLayout {
        Layout.fillWidth: true
        BrandFooter { Layout.fillWidth: true }
        QuitButton { status: screen.status }
    }
}
