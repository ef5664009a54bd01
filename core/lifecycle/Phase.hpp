#pragma once

#include <string>

#include "core/common/Date.hpp"
#include "core/lifecycle/Health.hpp"

namespace kindora {

// What the agent is doing, which decides what the menu bar shows and whether the loops run:
// showing a pairing code, running (with its health), signed out, or missing Full Disk Access.
class Phase {
public:
    enum class Kind { pairing, running, signedOut, fdaMissing };

    static Phase pairing(std::string code, Date expiresAt);
    static Phase running(Health health);
    static Phase signedOut();
    static Phase fdaMissing();

    Kind kind() const { return kind_; }
    bool isPairing() const { return kind_ == Kind::pairing; }
    bool isRunning() const { return kind_ == Kind::running; }

    // The pairing code on screen and when it expires; empty and the epoch outside `pairing`.
    const std::string& code() const { return code_; }
    Date expiresAt() const { return expiresAt_; }
    // The running agent's health; healthy outside `running`.
    const Health& health() const { return health_; }

    friend bool operator==(const Phase&, const Phase&) = default;

private:
    Phase(Kind kind, std::string code, Date expiresAt, Health health);

    Kind kind_;
    std::string code_;
    Date expiresAt_;
    Health health_;
};

// Readable names for logs and test failures, e.g. "running(degraded: ...)". Never holds a secret.
std::string describe(const Phase& phase);

}  // namespace kindora
