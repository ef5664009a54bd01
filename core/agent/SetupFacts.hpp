#pragma once

namespace kindora {

// The two facts the agent's phase and the setup wizard are derived from.
struct SetupFacts {
    bool hasCredentials = false;
    bool hasFullDiskAccess = false;

    friend bool operator==(const SetupFacts&, const SetupFacts&) = default;
};

}  // namespace kindora
