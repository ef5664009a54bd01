#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/viewmodels/LaunchAtLoginSwitch.hpp"
#include "core/lifecycle/XdgAutostartLoginItemService.hpp"

namespace kindora {
namespace {

namespace fs = std::filesystem;

// Counts the calls that reach the real autostart service.
class CountingLoginItems final : public LoginItemService {
public:
    explicit CountingLoginItems(fs::path directory) : real_(std::move(directory), {"/usr/bin/kindora"}) {}
    Status status() const override { return real_.status(); }
    void registerLoginItem() override {
        ++registrations;
        real_.registerLoginItem();
    }
    void unregisterLoginItem() override {
        ++removals;
        real_.unregisterLoginItem();
    }
    int registrations = 0;
    int removals = 0;

private:
    XdgAutostartLoginItemService real_;
};

const fs::path home() {
    return std::getenv("HOME");
}

TEST(LaunchAtLoginSwitch, FollowsTheAutostartEntryBothWays) {
    CountingLoginItems service(home() / "autostart");
    LaunchAtLoginSwitch toggle(service);
    EXPECT_FALSE(toggle.isOn());

    toggle.userSet(true);
    EXPECT_TRUE(toggle.isOn());
    EXPECT_TRUE(fs::exists(home() / "autostart" / "kindora.desktop"));
    EXPECT_EQ(toggle.error(), std::nullopt);

    LaunchAtLoginSwitch reopened(service);
    EXPECT_TRUE(reopened.isOn());
    reopened.userSet(false);
    EXPECT_FALSE(reopened.isOn());
    EXPECT_EQ(service.status(), LoginItemService::Status::notRegistered);
}

TEST(LaunchAtLoginSwitch, AFailedRegistrationShowsTheErrorAndPutsTheSwitchBackWithoutASecondAttempt) {
    // A file where the autostart directory should be: the entry cannot be written.
    std::ofstream(home() / "blocked") << "not a directory";
    CountingLoginItems service(home() / "blocked" / "autostart");
    LaunchAtLoginSwitch toggle(service);

    toggle.userSet(true);
    EXPECT_FALSE(toggle.isOn());
    ASSERT_TRUE(toggle.error().has_value());
    EXPECT_FALSE(toggle.error()->empty());
    EXPECT_EQ(service.registrations, 1);
    EXPECT_EQ(service.removals, 0) << "putting the switch back is not a user action";
}

}  // namespace
}  // namespace kindora
