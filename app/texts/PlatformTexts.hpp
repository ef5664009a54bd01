#pragma once

#include <QString>

#include <filesystem>

namespace kindora {

// The sentences that name things only one operating system has ("this Mac", the menu bar, System
// Settings, Full Disk Access). The macOS wording is the product's own; the Linux build says the same
// in terms that hold there, each in the person's language. An empty text means the control does not
// exist on that platform.
struct PlatformTexts {
    // Menu-bar window.
    QString signedOutPrompt;
    QString doNotDisturbCaption;
    QString accessMissingTitle;
    QString accessMissingHint;
    QString openAccessSettingsButton;  // empty: the platform has no such settings page

    // Setup wizard.
    QString welcomeIntro;
    QString welcomePrivacy;
    QString welcomeSteps;
    QString accessStepTitle;
    QString accessStepExplanation;
    QString accessStepPrivacy;
    QString accessStepRelaunch;
    QString accessStepOpenSettingsButton;  // empty: the platform has no such settings page
    QString accessDetected;
    QString pairingAlreadyPaired;
    QString pairThisDeviceButton;
    QString doneIntro;
    QString doneWhereToFind;

    static PlatformTexts macOS();
    // `databasePath` is the Messages database the agent reads, named where access is missing.
    static PlatformTexts forLinux(const std::filesystem::path& databasePath);
    // The table of the platform this build runs on.
    static PlatformTexts current(const std::filesystem::path& databasePath);
};

}  // namespace kindora
