#pragma once

#include <filesystem>
#include <string>

namespace kindora {

// The sentences that name things only one operating system has ("this Mac", the menu bar, System
// Settings, Full Disk Access). The macOS wording is the product's own; the Linux build says the same
// in terms that hold there. An empty text means the control does not exist on that platform.
struct PlatformTexts {
    // Menu-bar window.
    std::string signedOutPrompt;
    std::string doNotDisturbCaption;
    std::string accessMissingTitle;
    std::string accessMissingHint;
    std::string openAccessSettingsButton;  // empty: the platform has no such settings page

    // Setup wizard.
    std::string welcomeIntro;
    std::string welcomePrivacy;
    std::string welcomeSteps;
    std::string accessStepTitle;
    std::string accessStepExplanation;
    std::string accessStepPrivacy;
    std::string accessStepRelaunch;
    std::string accessStepOpenSettingsButton;  // empty: the platform has no such settings page
    std::string accessDetected;
    std::string pairingAlreadyPaired;
    std::string pairThisDeviceButton;
    std::string doneIntro;
    std::string doneWhereToFind;

    static PlatformTexts macOS();
    // `databasePath` is the Messages database the agent reads, named where access is missing.
    static PlatformTexts forLinux(const std::filesystem::path& databasePath);
    // The table of the platform this build runs on.
    static PlatformTexts current(const std::filesystem::path& databasePath);
};

}  // namespace kindora
