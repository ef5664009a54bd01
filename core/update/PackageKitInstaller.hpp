#pragma once

#include "core/common/Log.hpp"
#include "core/update/UpdateInstaller.hpp"

namespace kindora {

// Installs a package through PackageKit on the system bus: a transaction with the interactive hint,
// then InstallFiles. PackageKit asks the person for authorisation the desktop's way (polkit), installs
// with the system's package manager and reports the outcome; an untrusted local file needs an
// administrator's consent, which is what the person gives. Waits for the transaction's end (or a stop
// request, or two hours).
class PackageKitInstaller final : public UpdateInstaller {
public:
    void install(const std::filesystem::path& package, StopToken stop) override;

private:
    const Log logger_{"Updater"};
};

}  // namespace kindora
