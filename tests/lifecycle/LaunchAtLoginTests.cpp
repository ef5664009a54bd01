#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/common/AtomicFile.hpp"
#include "core/common/InMemoryDefaults.hpp"
#include "core/lifecycle/LaunchAtLoginFirstRun.hpp"
#include "core/lifecycle/XdgAutostartLoginItemService.hpp"
#include "tests/support/LogCapture.hpp"

namespace kindora {
namespace {

namespace fs = std::filesystem;
using Status = LoginItemService::Status;

// Every test process has its own XDG_CONFIG_HOME, so the real default directory is safe to use.
XdgAutostartLoginItemService autostart() {
    return XdgAutostartLoginItemService(XdgAutostartLoginItemService::defaultAutostartDirectory(),
                                        {"/opt/Kindora Agent/kindora", "--from-login"});
}

TEST(XdgAutostartLoginItemService, UsesTheAutostartFolderOfTheConfigHome) {
    EXPECT_EQ(XdgAutostartLoginItemService::defaultAutostartDirectory(),
              fs::path(std::getenv("XDG_CONFIG_HOME")) / "autostart");
    EXPECT_EQ(autostart().entryPath().filename(), "kindora.desktop");
}

TEST(XdgAutostartLoginItemService, RegisterAndUnregisterRoundTrip) {
    auto service = autostart();
    EXPECT_EQ(service.status(), Status::notRegistered);

    service.registerLoginItem();
    EXPECT_EQ(service.status(), Status::enabled);
    const auto entry = AtomicFile::read(service.entryPath());
    ASSERT_TRUE(entry);
    EXPECT_NE(entry->find("[Desktop Entry]\nType=Application\n"), std::string::npos);
    EXPECT_NE(entry->find("\nExec=\"/opt/Kindora Agent/kindora\" --from-login\n"), std::string::npos);

    service.registerLoginItem();
    EXPECT_EQ(service.status(), Status::enabled);

    service.unregisterLoginItem();
    EXPECT_EQ(service.status(), Status::notRegistered);
    EXPECT_FALSE(fs::exists(service.entryPath()));
    EXPECT_NO_THROW(service.unregisterLoginItem());
}

TEST(XdgAutostartLoginItemService, AHiddenEntryIsDisabledAndRegisteringRevivesIt) {
    auto service = autostart();
    fs::create_directories(service.entryPath().parent_path());
    std::ofstream(service.entryPath())
        << "[Desktop Entry]\nType=Application\nExec=kindora\n Hidden = true \n";
    EXPECT_EQ(service.status(), Status::notRegistered);

    service.registerLoginItem();
    EXPECT_EQ(service.status(), Status::enabled);
}

TEST(XdgAutostartLoginItemService, HiddenInAnotherGroupDoesNotCount) {
    auto service = autostart();
    fs::create_directories(service.entryPath().parent_path());
    std::ofstream(service.entryPath())
        << "[Desktop Entry]\nExec=kindora\n[Desktop Action quit]\nHidden=true\n";
    EXPECT_EQ(service.status(), Status::enabled);
}

TEST(XdgAutostartLoginItemService, ExecArgumentsAreQuotedAndEscaped) {
    const auto entry =
        XdgAutostartLoginItemService::desktopEntry({"/usr/bin/kindora", "100%", "a\"b", "c\\d"});
    EXPECT_NE(entry.find("\nExec=/usr/bin/kindora 100%% \"a\\\\\"b\" \"c\\\\\\\\d\"\n"), std::string::npos)
        << entry;
}

TEST(LaunchAtLoginFirstRun, RegistersOnceAndWritesItsFlag) {
    InMemoryDefaults defaults;
    auto service = autostart();

    LaunchAtLoginFirstRun::registerOnFirstRun(defaults, service);
    EXPECT_EQ(service.status(), Status::enabled);
    EXPECT_EQ(defaults.boolValue(LaunchAtLoginFirstRun::didCompleteFirstRunKey), true);

    // The user turns it off; later launches leave that choice alone.
    service.unregisterLoginItem();
    LaunchAtLoginFirstRun::registerOnFirstRun(defaults, service);
    EXPECT_EQ(service.status(), Status::notRegistered);
}

TEST(LaunchAtLoginFirstRun, AnAlreadyEnabledItemIsOnlyMarked) {
    InMemoryDefaults defaults;
    auto service = autostart();
    service.registerLoginItem();
    const auto before = fs::last_write_time(service.entryPath());

    LaunchAtLoginFirstRun::registerOnFirstRun(defaults, service);
    EXPECT_EQ(fs::last_write_time(service.entryPath()), before);
    EXPECT_EQ(defaults.boolValue(LaunchAtLoginFirstRun::didCompleteFirstRunKey), true);
}

TEST(LaunchAtLoginFirstRun, AFailedRegistrationIsLoggedAndStillMarked) {
    testing::LogCapture capture;
    InMemoryDefaults defaults;
    const fs::path blocker = fs::path(std::getenv("HOME")) / "blocker";
    std::ofstream(blocker) << "file";
    XdgAutostartLoginItemService service(blocker / "autostart", {"/usr/bin/kindora"});

    LaunchAtLoginFirstRun::registerOnFirstRun(defaults, service);
    EXPECT_TRUE(
        capture.contains("Launch at Login first-run registration failed: Could not write", "AppDelegate"));
    EXPECT_EQ(defaults.boolValue(LaunchAtLoginFirstRun::didCompleteFirstRunKey), true);
}

}  // namespace
}  // namespace kindora
