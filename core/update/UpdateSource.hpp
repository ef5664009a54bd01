#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/update/UpdateSignature.hpp"
#include "core/update/Version.hpp"

namespace kindora {

// Where updates come from and what they are checked against: the feed's address and the maintainers'
// public key (both fixed when the agent is built), the running version, this system's version (for
// items that need a newer one) and the directory packages are downloaded into.
struct UpdateSource {
    std::string feedURL;
    UpdatePublicKey publicKey;
    Version runningVersion;
    std::optional<Version> systemVersion;
    std::filesystem::path downloadDirectory;
    // Development builds may fetch from a loopback HTTP server.
    bool allowsLoopbackHttp = false;
};

}  // namespace kindora
