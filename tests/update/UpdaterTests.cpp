// The updater over PackageKit, against a stand-in for PackageKit on a private bus daemon used as the
// system bus, on virtual time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/update/PackageKitUpdates.hpp"
#include "core/update/UpdateError.hpp"
#include "core/update/Updater.hpp"
#include "tests/support/ManualMainQueue.hpp"
#include "tests/support/PrivateSystemBus.hpp"
#include "tests/support/VirtualTime.hpp"
#include "tests/update/PackageKitStandIn.hpp"
#include "tests/support/UserTextPrinting.hpp"

namespace kindora {
namespace {

using testing::ManualMainQueue;
using testing::PackageKitStandIn;
using testing::PrivateSystemBus;
using testing::VirtualTime;

const std::string update150 = "kindora;1.5.0;amd64;kindora-stable";

std::vector<std::string> methods(const std::vector<PackageKitStandIn::Call>& calls) {
    std::vector<std::string> names;
    for (const auto& call : calls) {
        names.push_back(call.method);
    }
    return names;
}

class UpdaterOverPackageKit : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus_.isRunning());
        ASSERT_TRUE(packageKit_.isReady());
    }

    // Runs the main-thread work of the next check, once the updater waits for the one after it.
    void finishTheNextCheck() {
        const auto waits = time_.sleepCount();
        ASSERT_TRUE(time_.waitForSleepCount(waits + 1));
        mainQueue_.drain();
    }

    // The updater's next wait, in seconds.
    double nextWait() const {
        const auto delays = time_.pendingDelays();
        return delays.size() == 1 ? delays[0] : -1;
    }

    PrivateSystemBus bus_;
    PackageKitStandIn packageKit_;
    PackageKitUpdates updates_;
    ManualMainQueue mainQueue_;
    VirtualTime time_;
    Updater updater_{updates_, mainQueue_, time_.sleeper(), time_.nowFunction(), [] { return 1.0; }};
};

TEST_F(UpdaterOverPackageKit, FindsTheAgentsUpdateDownloadsItAndInstallsItFromTrustedRepositoriesOnly) {
    packageKit_.offer({{5, "libfoo1;2.0-1;amd64;debian-stable"},
                       {9, "kindora;1.6.0;amd64;kindora-stable"},  // blocked: its dependencies cannot be met
                       {5, update150}});
    std::vector<std::optional<PendingUpdate>> seen;
    const Subscription subscription =
        updater_.pendingUpdate().observe([&](const auto& value) { seen.push_back(value); });

    updater_.start();
    EXPECT_FALSE(updater_.canCheckForUpdates().value());
    finishTheNextCheck();

    // Found first, then ready once the package manager has it in its cache.
    EXPECT_EQ(seen, (std::vector<std::optional<PendingUpdate>>{PendingUpdate{"1.5.0", false},
                                                                PendingUpdate{"1.5.0", true}}));
    EXPECT_TRUE(updater_.canCheckForUpdates().value());
    EXPECT_EQ(englishOf(updater_.lastError().value()), std::nullopt);
    auto calls = packageKit_.calls();
    ASSERT_EQ(methods(calls), (std::vector<std::string>{"RefreshCache", "GetUpdates", "DownloadPackages"}));
    EXPECT_EQ(calls[0].flags, 0u) << "the lists are refreshed when they are stale, not forced";
    EXPECT_EQ(calls[2].packageIds, std::vector<std::string>{update150});
    EXPECT_EQ(calls[2].flags, 1u) << "downloaded into the system's package cache";
    EXPECT_EQ(nextWait(), Updater::checkInterval);

    // apt refuses a package no trusted key vouches for: the update stays ready and the person is told.
    packageKit_.fail("UpdatePackages", std::nullopt, 8);
    int relaunches = 0;
    updater_.installUpdate([&] { ++relaunches; });
    EXPECT_TRUE(updater_.isInstalling().value());
    EXPECT_FALSE(updater_.canCheckForUpdates().value());
    ASSERT_TRUE(mainQueue_.drainUntil([&] { return !updater_.isInstalling().value(); }));
    EXPECT_EQ(englishOf(updater_.lastError().value()),
              "The update could not be installed: the package is not signed by a repository key this system "
              "trusts.");
    EXPECT_EQ(updater_.pendingUpdate().value(), (PendingUpdate{"1.5.0", true}));
    EXPECT_TRUE(updater_.canCheckForUpdates().value());
    EXPECT_EQ(relaunches, 0);

    packageKit_.heal("UpdatePackages");
    updater_.installUpdate([&] { ++relaunches; });
    ASSERT_TRUE(mainQueue_.drainUntil([&] { return relaunches == 1; }));
    EXPECT_EQ(englishOf(updater_.lastError().value()), std::nullopt);
    EXPECT_EQ(updater_.pendingUpdate().value(), std::nullopt);
    calls = packageKit_.calls();
    ASSERT_EQ(calls.size(), 5u);
    for (const auto& install : {calls[3], calls[4]}) {
        EXPECT_EQ(install.method, "UpdatePackages");
        EXPECT_EQ(install.flags, 2u) << "only-trusted transactions";
        EXPECT_EQ(install.packageIds, std::vector<std::string>{update150});
        EXPECT_EQ(install.hints, std::vector<std::string>{"interactive=true"})
            << "polkit may ask the person to authorise it";
    }
}

TEST_F(UpdaterOverPackageKit, FailedScheduledChecksAreQuietAndRetriedUntilADayHasPassedButAnAskedOneSaysWhy) {
    const std::string offline = "Could not check for updates: Cannot refresh the package lists whilst offline.";
    packageKit_.fail("RefreshCache", "Cannot refresh the package lists whilst offline");
    updater_.start();
    finishTheNextCheck();

    // The check at login, before the network is up: nothing is shown, and it is retried soon.
    EXPECT_EQ(englishOf(updater_.lastError().value()), std::nullopt);
    EXPECT_TRUE(updater_.canCheckForUpdates().value());
    EXPECT_EQ(nextWait(), Updater::initialRetry);
    time_.advanceToNextDeadline();
    finishTheNextCheck();
    EXPECT_EQ(englishOf(updater_.lastError().value()), std::nullopt);
    EXPECT_EQ(nextWait(), 2 * Updater::initialRetry);

    // The person asks: the failure is theirs to see.
    updater_.checkForUpdates();
    finishTheNextCheck();
    EXPECT_EQ(englishOf(updater_.lastError().value()), offline);

    // The network is back: the next retry finds the update and clears the error.
    packageKit_.heal("RefreshCache");
    packageKit_.offer({{5, update150}});
    time_.advanceToNextDeadline();
    finishTheNextCheck();
    EXPECT_EQ(englishOf(updater_.lastError().value()), std::nullopt);
    EXPECT_EQ(updater_.pendingUpdate().value(), (PendingUpdate{"1.5.0", true}));
    EXPECT_EQ(nextWait(), Updater::checkInterval);

    // From the next daily check on, every scheduled check fails: quiet, retried at most an hour
    // apart, until they have failed for a day. The update found before stays offered.
    packageKit_.fail("GetUpdates", "Failed to fetch https://packages.kindora.example/dists/stable/InRelease");
    time_.advanceToNextDeadline();
    finishTheNextCheck();
    const Date failingSince = time_.now();
    int retries = 0;
    while (!updater_.lastError().value() && retries < 100) {
        EXPECT_LE(nextWait(), Updater::longestRetry);
        time_.advanceToNextDeadline();
        finishTheNextCheck();
        ++retries;
    }
    EXPECT_GE(secondsBetween(failingSince, time_.now()), Updater::checkInterval);
    EXPECT_LT(secondsBetween(failingSince, time_.now()), Updater::checkInterval + Updater::longestRetry);
    EXPECT_EQ(englishOf(updater_.lastError().value()),
              "Could not check for updates: Failed to fetch "
              "https://packages.kindora.example/dists/stable/InRelease.");
    EXPECT_EQ(updater_.pendingUpdate().value(), (PendingUpdate{"1.5.0", true}));
}

TEST(PackageKitUpdates, WithoutASystemBusACheckSaysSo) {
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/kindora-no-bus", 1);
    PackageKitUpdates updates;
    try {
        updates.findUpdate({});
        FAIL() << "a check without a system bus succeeded";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.kind(), UpdateError::Kind::checkFailed);
        EXPECT_EQ(std::string(error.what()),
                  "Could not check for updates: the system bus is not reachable (No such file or directory).");
    }
}

}  // namespace
}  // namespace kindora
