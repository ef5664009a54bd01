#pragma once

#include <optional>
#include "core/common/StopToken.hpp"
#include <string>

#include "core/backend/PairingRecords.hpp"

namespace kindora {

// The backend as the pairing controller sees it. Every operation blocks until the answer and throws
// only BackendError; a stop request aborts it (as a network error).
class PairingBackendClientProtocol {
public:
    virtual ~PairingBackendClientProtocol() = default;

    // Asks for a pairing code for this computer (no token yet).
    virtual PairingCreateResponse createPairing(const std::string& deviceName,
                                                const std::optional<std::string>& agentVersion,
                                                StopToken stop = {}) = 0;
    // Whether the household has confirmed the pairing of the device holding `token`.
    virtual PairingStatusResponse pairingStatus(const std::string& token, StopToken stop = {}) = 0;
};

}  // namespace kindora
