#include "app/texts/PlatformTexts.hpp"

#include <QCoreApplication>

namespace kindora {

PlatformTexts PlatformTexts::macOS() {
    return PlatformTexts{
        .signedOutPrompt = QCoreApplication::translate(
            "PlatformTexts", "Pair this Mac with your Kindora household to start forwarding messages."),
        .doNotDisturbCaption =
            QCoreApplication::translate("PlatformTexts",
                                        "Pauses full-screen interruptions on this Mac. Household alerts "
                                        "still reach you on your other channels."),
        .accessMissingTitle = QCoreApplication::translate(
            "PlatformTexts", "Kindora needs Full Disk Access to read your Messages."),
        .accessMissingHint =
            QCoreApplication::translate("PlatformTexts",
                                        "After granting access in System Settings, relaunch Kindora - macOS "
                                        "only applies a new Full Disk Access grant to a fresh launch."),
        .openAccessSettingsButton =
            QCoreApplication::translate("PlatformTexts", "Open Full Disk Access Settings"),
        .welcomeIntro = QCoreApplication::translate(
            "PlatformTexts",
            "Kindora reads incoming texts on this Mac, evaluates them against your household's rules, and "
            "alerts the right people when something needs attention."),
        .welcomePrivacy =
            QCoreApplication::translate("PlatformTexts",
                                        "It never stores or uploads message content - only a rule match, "
                                        "when one happens, is sent to your household."),
        .welcomeSteps = QCoreApplication::translate(
            "PlatformTexts",
            "Setting this up takes two steps: granting Full Disk Access (so the agent can read Messages), "
            "then pairing this Mac with your Kindora household."),
        .accessStepTitle = QCoreApplication::translate("PlatformTexts", "Full Disk Access"),
        .accessStepExplanation =
            QCoreApplication::translate("PlatformTexts",
                                        "Kindora needs Full Disk Access to read Messages' database (chat.db) "
                                        "- macOS only allows this with the permission explicitly granted."),
        .accessStepPrivacy =
            QCoreApplication::translate("PlatformTexts",
                                        "Message content is evaluated on this Mac and discarded. It is never "
                                        "stored or uploaded, except as a rule match your household set up."),
        .accessStepRelaunch = QCoreApplication::translate(
            "PlatformTexts",
            "After granting access, relaunch Kindora - macOS only applies a new grant to a fresh launch."),
        .accessStepOpenSettingsButton = QCoreApplication::translate("PlatformTexts", "Open Settings"),
        .accessDetected =
            QCoreApplication::translate("PlatformTexts", "Full Disk Access detected - relaunch to continue."),
        .pairingAlreadyPaired =
            QCoreApplication::translate("PlatformTexts", "This Mac is already paired - continuing…"),
        .pairThisDeviceButton = QCoreApplication::translate("PlatformTexts", "Pair This Mac"),
        .doneIntro = QCoreApplication::translate(
            "PlatformTexts", "Kindora is running and forwarding messages to your household."),
        .doneWhereToFind = QCoreApplication::translate(
            "PlatformTexts",
            "Look for the Kindora mark in your menu bar - click it any time for status, sync, and settings."),
    };
}

PlatformTexts PlatformTexts::forLinux(const std::filesystem::path& databasePath) {
    const QString path = QString::fromStdString(databasePath.string());
    return PlatformTexts{
        .signedOutPrompt = QCoreApplication::translate(
            "PlatformTexts", "Pair this computer with your Kindora household to start forwarding messages."),
        .doNotDisturbCaption =
            QCoreApplication::translate("PlatformTexts",
                                        "Pauses full-screen interruptions on this computer. Household alerts "
                                        "still reach you on your other channels."),
        .accessMissingTitle =
            QCoreApplication::translate("PlatformTexts", "Kindora cannot read the Messages database at %1.")
                .arg(path),
        .accessMissingHint = QCoreApplication::translate("PlatformTexts",
                                                         "Make sure the file exists and your user may read "
                                                         "it, then press Check Again or relaunch Kindora."),
        .openAccessSettingsButton = QString(),
        .welcomeIntro = QCoreApplication::translate(
            "PlatformTexts",
            "Kindora reads incoming texts on this computer, evaluates them against your household's rules, "
            "and alerts the right people when something needs attention."),
        .welcomePrivacy =
            QCoreApplication::translate("PlatformTexts",
                                        "It never stores or uploads message content - only a rule match, "
                                        "when one happens, is sent to your household."),
        .welcomeSteps = QCoreApplication::translate(
            "PlatformTexts",
            "Setting this up takes two steps: making sure the agent can read the Messages database, then "
            "pairing this computer with your Kindora household."),
        .accessStepTitle = QCoreApplication::translate("PlatformTexts", "Messages Database"),
        .accessStepExplanation =
            QCoreApplication::translate("PlatformTexts",
                                        "Kindora needs to read the Messages database at %1 - your user must "
                                        "be allowed to read that file.")
                .arg(path),
        .accessStepPrivacy = QCoreApplication::translate(
            "PlatformTexts",
            "Message content is evaluated on this computer and discarded. It is never stored or uploaded, "
            "except as a rule match your household set up."),
        .accessStepRelaunch = QCoreApplication::translate(
            "PlatformTexts", "After making the database readable, relaunch Kindora to continue."),
        .accessStepOpenSettingsButton = QString(),
        .accessDetected = QCoreApplication::translate(
            "PlatformTexts", "The Messages database is readable - relaunch to continue."),
        .pairingAlreadyPaired =
            QCoreApplication::translate("PlatformTexts", "This computer is already paired - continuing…"),
        .pairThisDeviceButton = QCoreApplication::translate("PlatformTexts", "Pair This Computer"),
        .doneIntro = QCoreApplication::translate(
            "PlatformTexts", "Kindora is running and forwarding messages to your household."),
        .doneWhereToFind = QCoreApplication::translate("PlatformTexts",
                                                       "Look for the Kindora mark in your system tray - "
                                                       "click it any time for status, sync, and settings."),
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
