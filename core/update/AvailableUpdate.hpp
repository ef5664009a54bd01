#pragma once

#include <string>

namespace kindora {

// A newer kindora the system's package manager offers: PackageKit's package id
// ("kindora;1.5.0;amd64;<repository>") and the version it carries.
struct AvailableUpdate {
    std::string packageId;
    std::string version;

    friend bool operator==(const AvailableUpdate&, const AvailableUpdate&) = default;
};

}  // namespace kindora
