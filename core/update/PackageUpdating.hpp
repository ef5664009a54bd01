#pragma once

#include <optional>

#include "core/common/StopToken.hpp"
#include "core/update/AvailableUpdate.hpp"

namespace kindora {

// The system's package manager, as far as the updater needs it. Every call blocks until the package
// manager has answered (or `stop` is requested) and throws UpdateError with a message for the person
// when it failed. The package manager verifies what it fetches and installs against the repository
// keys the administrator trusts; nothing here checks a signature of its own.
class PackageUpdating {
public:
    virtual ~PackageUpdating() = default;

    // Refreshes what the configured repositories offer and returns the newest kindora newer than the
    // installed one, if any.
    virtual std::optional<AvailableUpdate> findUpdate(StopToken stop) = 0;
    // Fetches the update's package into the system's package cache.
    virtual void download(const AvailableUpdate& update, StopToken stop) = 0;
    // Installs the update, from trusted repositories only. The person may be asked to authorise it.
    virtual void install(const AvailableUpdate& update, StopToken stop) = 0;
};

}  // namespace kindora
