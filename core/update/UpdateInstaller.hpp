#pragma once

#include <filesystem>

#include "core/common/StopToken.hpp"

namespace kindora {

// The system's installer, handed a verified package. Blocks until the installation ended; throws
// UpdateError::Kind::installFailed with the reason when it failed or was refused, in which case the
// running version is left as it was.
class UpdateInstaller {
public:
    virtual ~UpdateInstaller() = default;

    virtual void install(const std::filesystem::path& package, StopToken stop) = 0;
};

}  // namespace kindora
