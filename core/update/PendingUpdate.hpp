#pragma once

#include <string>

namespace kindora {

// An update the agent found: its display version, and whether its package is downloaded and
// verified, ready to install.
struct PendingUpdate {
    std::string version;
    bool isDownloaded = false;

    friend bool operator==(const PendingUpdate&, const PendingUpdate&) = default;
};

}  // namespace kindora
