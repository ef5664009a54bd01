#include <gtest/gtest.h>

#include <QFile>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/platform/QSettingsDefaults.hpp"
#include "core/common/JsonDate.hpp"
#include "tests/app/QtTestApplication.hpp"
#include "tests/support/LogCapture.hpp"

namespace kindora {
namespace {

namespace fs = std::filesystem;

TEST(QSettingsDefaults, SettingsSurviveARestartInTheUsersConfigDirectoryWithDatesAsText) {
    testing::qtApplication();
    const Date until = *JsonDate::tryDecode("2026-12-07T14:30:00.250Z");
    {
        QSettingsDefaults defaults;
        defaults.setBool("com.quillmere.kindora.setupWizard.didComplete", true);
        defaults.setString("com.quillmere.kindora.meetingDisrupt.leadTime", "fiveMinutes");
        defaults.setDate("com.quillmere.kindora.dnd.until", until);
        defaults.setBool("com.quillmere.kindora.gone", true);
        defaults.remove("com.quillmere.kindora.gone");
    }
    const fs::path file = fs::path(std::getenv("XDG_CONFIG_HOME")) / "quillmere" / "Kindora.conf";
    ASSERT_TRUE(fs::exists(file));
    std::ifstream stream(file);
    const std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("2026-12-07T14:30:00.250Z"), std::string::npos) << text;

    QSettingsDefaults reopened;
    EXPECT_EQ(reopened.boolValue("com.quillmere.kindora.setupWizard.didComplete"), true);
    EXPECT_EQ(reopened.stringValue("com.quillmere.kindora.meetingDisrupt.leadTime"), "fiveMinutes");
    EXPECT_EQ(reopened.dateValue("com.quillmere.kindora.dnd.until"), until);
    EXPECT_EQ(reopened.boolValue("com.quillmere.kindora.gone"), std::nullopt);
    EXPECT_EQ(reopened.boolValue("com.quillmere.kindora.never"), std::nullopt);
    // Text that is not a bool or a date reads as absent, not as false or the epoch.
    EXPECT_EQ(reopened.boolValue("com.quillmere.kindora.meetingDisrupt.leadTime"), std::nullopt);
    EXPECT_EQ(reopened.dateValue("com.quillmere.kindora.meetingDisrupt.leadTime"), std::nullopt);
}

TEST(QSettingsDefaults, AnUnusableSettingsFileIsLoggedAndReadsAsDefaults) {
    testing::qtApplication();
    // A directory where the file should be: it can be neither read nor replaced, even by root.
    const fs::path file = fs::path(std::getenv("HOME")) / "blocked.conf";
    fs::create_directories(file / "keep");
    testing::LogCapture capture;
    QSettingsDefaults defaults(QString::fromStdString(file.string()));
    EXPECT_EQ(defaults.boolValue("com.quillmere.kindora.setupWizard.didComplete"), std::nullopt);
    defaults.setBool("com.quillmere.kindora.setupWizard.didComplete", true);
    EXPECT_EQ(defaults.boolValue("com.quillmere.kindora.setupWizard.didComplete"), true)
        << "the run goes on with the setting it was given";
    defaults.waitForWrites();
    EXPECT_TRUE(capture.contains("Settings write failed"));
    EXPECT_TRUE(fs::is_directory(file / "keep")) << "nothing of the user's is overwritten";
}

}  // namespace
}  // namespace kindora
