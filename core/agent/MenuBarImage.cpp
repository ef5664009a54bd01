#include "core/agent/MenuBarImage.hpp"

namespace kindora::MenuBarImage {

std::string_view of(const Phase& phase, bool doNotDisturbActive) {
    switch (phase.kind()) {
        case Phase::Kind::fdaMissing:
            return alert;
        case Phase::Kind::running:
            if (!phase.health().isHealthy()) {
                return alert;
            }
            return doNotDisturbActive ? doNotDisturb : plain;
        case Phase::Kind::pairing:
        case Phase::Kind::signedOut:
            return plain;
    }
    return plain;
}

}  // namespace kindora::MenuBarImage
