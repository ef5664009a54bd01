#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/texts/PlatformTexts.hpp"

namespace kindora {
namespace {

std::vector<QString> everyText(const PlatformTexts& texts) {
    return {texts.signedOutPrompt,
            texts.doNotDisturbCaption,
            texts.accessMissingTitle,
            texts.accessMissingHint,
            texts.openAccessSettingsButton,
            texts.welcomeIntro,
            texts.welcomePrivacy,
            texts.welcomeSteps,
            texts.accessStepTitle,
            texts.accessStepExplanation,
            texts.accessStepPrivacy,
            texts.accessStepRelaunch,
            texts.accessStepOpenSettingsButton,
            texts.accessDetected,
            texts.pairingAlreadyPaired,
            texts.pairThisDeviceButton,
            texts.doneIntro,
            texts.doneWhereToFind};
}

TEST(PlatformTexts, TheLinuxBuildNeverNamesMacOnlyThingsAndSaysWhichDatabaseItCannotRead) {
    const auto linuxTexts = PlatformTexts::forLinux("/home/ann/Library/Messages/chat.db");
    for (const auto& text : everyText(linuxTexts)) {
        for (const char* macOnly : {"Mac", "menu bar", "System Settings", "Full Disk Access", "macOS"}) {
            EXPECT_FALSE(text.contains(QLatin1String(macOnly))) << '"' << text.toStdString() << "\" names " << macOnly;
        }
    }
    EXPECT_TRUE(linuxTexts.accessMissingTitle.contains(QStringLiteral("/home/ann/Library/Messages/chat.db")));
    EXPECT_TRUE(linuxTexts.accessStepExplanation.contains(QStringLiteral("/home/ann/Library/Messages/chat.db")));
    // Linux has no privacy page to open, so the buttons that would open one are not offered.
    EXPECT_TRUE(linuxTexts.openAccessSettingsButton.isEmpty());
    EXPECT_TRUE(linuxTexts.accessStepOpenSettingsButton.isEmpty());
}

TEST(PlatformTexts, EveryTextIsFilledOnMacOSAndEveryLinuxTextButTheSettingsButtons) {
    for (const auto& text : everyText(PlatformTexts::macOS())) {
        EXPECT_FALSE(text.isEmpty());
    }
    const auto linuxTexts = PlatformTexts::forLinux("/db");
    std::size_t empty = 0;
    for (const auto& text : everyText(linuxTexts)) {
        empty += text.isEmpty() ? 1 : 0;
    }
    EXPECT_EQ(empty, 2u);
}

}  // namespace
}  // namespace kindora
