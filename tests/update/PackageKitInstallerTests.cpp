// The PackageKit installer against a real D-Bus daemon of its own, used as the system bus, with a
// stand-in for PackageKit; and the updater's installation step through it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/update/PackageKitInstaller.hpp"
#include "core/update/UpdateError.hpp"
#include "tests/support/PrivateSystemBus.hpp"
#include "tests/update/PackageKitStandIn.hpp"

namespace kindora {
namespace {

using testing::PackageKitStandIn;
using testing::PrivateSystemBus;

std::string installFailure(const std::filesystem::path& package) {
    try {
        PackageKitInstaller().install(package, {});
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.kind(), UpdateError::Kind::installFailed);
        return error.what();
    }
    ADD_FAILURE() << "the installation succeeded";
    return {};
}

TEST(PackageKitInstaller, HandsThePackageOverInteractivelyAndReportsWhatPackageKitSays) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.isRunning());
    const std::filesystem::path package = "kindora-1.5.0.deb";
    {
        PackageKitStandIn packageKit({});
        ASSERT_TRUE(packageKit.isReady());
        PackageKitInstaller().install(package, {});
        EXPECT_EQ(packageKit.installedFiles(),
                  std::vector<std::string>{std::filesystem::absolute(package).string()});
        EXPECT_EQ(packageKit.flags(), std::vector<std::uint64_t>{0})
            << "a local file is installed as untrusted";
        EXPECT_EQ(packageKit.hints(), std::vector<std::string>{"interactive=true"});
    }
    {
        PackageKitStandIn packageKit({2, "Failed to obtain authentication."});
        EXPECT_EQ(installFailure(package),
                  "The update could not be installed: Failed to obtain authentication.");
    }
    {
        PackageKitStandIn packageKit({3, std::nullopt});
        EXPECT_EQ(installFailure(package),
                  "The update could not be installed: the installation was cancelled.");
    }
    // Nobody owns PackageKit's name (it is not installed): the bus says so.
    EXPECT_NE(installFailure(package).find("the system's package installer (PackageKit) is not available"),
              std::string::npos);
}

TEST(PackageKitInstaller, WithoutASystemBusItSaysSo) {
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/kindora-no-bus", 1);
    EXPECT_EQ(
        installFailure("kindora.deb"),
        "The update could not be installed: the system bus is not reachable (No such file or directory).");
}

}  // namespace
}  // namespace kindora
