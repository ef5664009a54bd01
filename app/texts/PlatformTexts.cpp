#include "app/texts/PlatformTexts.hpp"

namespace kindora {

PlatformTexts PlatformTexts::macOS() {
    return PlatformTexts{
        .signedOutPrompt = "Pair this Mac with your Kindora household to start forwarding messages.",
        .doNotDisturbCaption =
            "Pauses full-screen interruptions on this Mac. Household alerts still reach "
            "you on your other channels.",
        .accessMissingTitle = "Kindora needs Full Disk Access to read your Messages.",
        .accessMissingHint =
            "After granting access in System Settings, relaunch Kindora - macOS only "
            "applies a new Full Disk Access grant to a fresh launch.",
        .openAccessSettingsButton = "Open Full Disk Access Settings",
        .welcomeIntro =
            "Kindora reads incoming texts on this Mac, evaluates them against your "
            "household's rules, and alerts the right people when something needs attention.",
        .welcomePrivacy =
            "It never stores or uploads message content - only a rule match, when one "
            "happens, is sent to your household.",
        .welcomeSteps =
            "Setting this up takes two steps: granting Full Disk Access (so the agent can read "
            "Messages), then pairing this Mac with your Kindora household.",
        .accessStepTitle = "Full Disk Access",
        .accessStepExplanation =
            "Kindora needs Full Disk Access to read Messages' database (chat.db) - "
            "macOS only allows this with the permission explicitly granted.",
        .accessStepPrivacy =
            "Message content is evaluated on this Mac and discarded. It is never stored or "
            "uploaded, except as a rule match your household set up.",
        .accessStepRelaunch =
            "After granting access, relaunch Kindora - macOS only applies a new grant to a fresh launch.",
        .accessStepOpenSettingsButton = "Open Settings",
        .accessDetected = "Full Disk Access detected - relaunch to continue.",
        .pairingAlreadyPaired = "This Mac is already paired - continuing…",
        .pairThisDeviceButton = "Pair This Mac",
        .doneIntro = "Kindora is running and forwarding messages to your household.",
        .doneWhereToFind =
            "Look for the Kindora mark in your menu bar - click it any time for status, sync, "
            "and settings.",
    };
}

PlatformTexts PlatformTexts::forLinux(const std::filesystem::path& databasePath) {
    const std::string path = databasePath.string();
    return PlatformTexts{
        .signedOutPrompt = "Pair this computer with your Kindora household to start forwarding messages.",
        .doNotDisturbCaption =
            "Pauses full-screen interruptions on this computer. Household alerts still "
            "reach you on your other channels.",
        .accessMissingTitle = "Kindora cannot read the Messages database at " + path + ".",
        .accessMissingHint =
            "Make sure the file exists and your user may read it, then press Check Again "
            "or relaunch Kindora.",
        .openAccessSettingsButton = "",
        .welcomeIntro =
            "Kindora reads incoming texts on this computer, evaluates them against your "
            "household's rules, and alerts the right people when something needs attention.",
        .welcomePrivacy =
            "It never stores or uploads message content - only a rule match, when one "
            "happens, is sent to your household.",
        .welcomeSteps =
            "Setting this up takes two steps: making sure the agent can read the Messages "
            "database, then pairing this computer with your Kindora household.",
        .accessStepTitle = "Messages Database",
        .accessStepExplanation = "Kindora needs to read the Messages database at " + path +
                                 " - your user must be allowed to read that file.",
        .accessStepPrivacy =
            "Message content is evaluated on this computer and discarded. It is never "
            "stored or uploaded, except as a rule match your household set up.",
        .accessStepRelaunch = "After making the database readable, relaunch Kindora to continue.",
        .accessStepOpenSettingsButton = "",
        .accessDetected = "The Messages database is readable - relaunch to continue.",
        .pairingAlreadyPaired = "This computer is already paired - continuing…",
        .pairThisDeviceButton = "Pair This Computer",
        .doneIntro = "Kindora is running and forwarding messages to your household.",
        .doneWhereToFind =
            "Look for the Kindora mark in your system tray - click it any time for status, "
            "sync, and settings.",
    };
}

PlatformTexts PlatformTexts::current(const std::filesystem::path& databasePath) {
#if defined(__APPLE__)
    (void)databasePath;
    return macOS();
#else
    return forLinux(databasePath);
#endif
}

}  // namespace kindora
