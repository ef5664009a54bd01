#pragma once

#include <string>

#include "core/common/Log.hpp"
#include "core/update/PackageUpdating.hpp"

namespace kindora {

// The system's package manager through PackageKit on the system bus (as GNOME Software and KDE
// Discover use it). A check refreshes the package lists and asks GetUpdates, keeping only the agent's
// own package; a download is DownloadPackages into the system's cache; an installation is
// UpdatePackages with only-trusted transactions, so that apt, as root, installs nothing that the
// repositories' keys do not vouch for, and polkit asks the person when authorisation is needed.
class PackageKitUpdates final : public PackageUpdating {
public:
    explicit PackageKitUpdates(std::string packageName = "kindora");

    std::optional<AvailableUpdate> findUpdate(StopToken stop) override;
    void download(const AvailableUpdate& update, StopToken stop) override;
    void install(const AvailableUpdate& update, StopToken stop) override;

private:
    const std::string packageName_;
    const Log logger_{"Updater"};
};

}  // namespace kindora
