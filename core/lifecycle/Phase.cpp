#include "core/lifecycle/Phase.hpp"

#include <utility>

#include "core/common/JsonDate.hpp"

namespace kindora {

Phase::Phase(Kind kind, std::string code, Date expiresAt, Health health)
    : kind_(kind), code_(std::move(code)), expiresAt_(expiresAt), health_(std::move(health)) {}

Phase Phase::pairing(std::string code, Date expiresAt) {
    return Phase(Kind::pairing, std::move(code), expiresAt, Health::healthy());
}

Phase Phase::running(Health health) {
    return Phase(Kind::running, {}, Date{}, std::move(health));
}

Phase Phase::signedOut() {
    return Phase(Kind::signedOut, {}, Date{}, Health::healthy());
}

Phase Phase::fdaMissing() {
    return Phase(Kind::fdaMissing, {}, Date{}, Health::healthy());
}

std::string describe(const Phase& phase) {
    switch (phase.kind()) {
        case Phase::Kind::pairing:
            return "pairing(" + phase.code() + ", " + JsonDate::encode(phase.expiresAt()) + ")";
        case Phase::Kind::running:
            return phase.health().isHealthy() ? "running(healthy)"
                                              : "running(degraded: " + phase.health().reason().english() + ")";
        case Phase::Kind::signedOut:
            return "signedOut";
        case Phase::Kind::fdaMissing:
            return "fdaMissing";
    }
    return "unknown";
}

}  // namespace kindora
