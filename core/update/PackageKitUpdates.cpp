#include "core/update/PackageKitUpdates.hpp"

#include <chrono>
#include <cstdint>
#include <utility>

#include "core/update/PackageKitTransaction.hpp"
#include "core/update/UpdateError.hpp"

namespace kindora {
namespace {

// PackageKit's bitfields: a value n of its enums is the bit 1 << n.
constexpr std::uint64_t filterNone = std::uint64_t{1} << 1;
constexpr std::uint64_t onlyTrusted = std::uint64_t{1} << 1;
// The info value of an update that cannot be installed (its dependencies cannot be met).
constexpr std::uint32_t infoBlocked = 9;

// Fetching lists or a package over a slow line takes a while; a person authorising and apt installing
// longer.
constexpr std::chrono::seconds longestCheck = std::chrono::minutes(30);
constexpr std::chrono::seconds longestInstallation = std::chrono::hours(2);

std::vector<PackageKitTransaction::Package> run(PackageKitTransaction transaction, StopToken stop,
                                                std::chrono::seconds longest, UpdateError::Kind kind) {
    try {
        return transaction.run(std::move(stop), longest);
    } catch (const PackageKitTransaction::Failure& error) {
        throw UpdateError(kind, error.reason());
    }
}

}  // namespace

PackageKitUpdates::PackageKitUpdates(std::string packageName) : packageName_(std::move(packageName)) {}

std::optional<AvailableUpdate> PackageKitUpdates::findUpdate(StopToken stop) {
    run(PackageKitTransaction("RefreshCache",
                              [](sd_bus_message* call) { return sd_bus_message_append(call, "b", 0); }),
        stop, longestCheck, UpdateError::Kind::checkFailed);
    const auto packages = run(
        PackageKitTransaction(
            "GetUpdates", [](sd_bus_message* call) { return sd_bus_message_append(call, "t", filterNone); }),
        stop, longestCheck, UpdateError::Kind::checkFailed);
    // Package ids are "name;version;arch;data".
    for (const auto& package : packages) {
        const auto nameEnd = package.id.find(';');
        const auto versionEnd = nameEnd == std::string::npos ? nameEnd : package.id.find(';', nameEnd + 1);
        if (versionEnd == std::string::npos || package.id.compare(0, nameEnd, packageName_) != 0 ||
            nameEnd != packageName_.size() || versionEnd == nameEnd + 1) {
            continue;
        }
        if (package.info == infoBlocked) {
            logger_.info("Update {} is offered but cannot be installed yet", package.id);
            continue;
        }
        return AvailableUpdate{package.id, package.id.substr(nameEnd + 1, versionEnd - nameEnd - 1)};
    }
    return std::nullopt;
}

void PackageKitUpdates::download(const AvailableUpdate& update, StopToken stop) {
    run(PackageKitTransaction("DownloadPackages",
                              [id = update.packageId](sd_bus_message* call) {
                                  return sd_bus_message_append(call, "bas", 1, 1, id.c_str());
                              }),
        std::move(stop), longestCheck, UpdateError::Kind::downloadFailed);
    logger_.info("Update {} downloaded", update.version);
}

void PackageKitUpdates::install(const AvailableUpdate& update, StopToken stop) {
    logger_.info("Installing update {} through PackageKit", update.version);
    run(PackageKitTransaction("UpdatePackages",
                              [id = update.packageId](sd_bus_message* call) {
                                  return sd_bus_message_append(call, "tas", onlyTrusted, 1, id.c_str());
                              },
                              // Lets PackageKit ask the person for authorisation instead of refusing.
                              {"interactive=true"}),
        std::move(stop), longestInstallation, UpdateError::Kind::installFailed);
    logger_.info("PackageKit installed update {}", update.version);
}

}  // namespace kindora
