#pragma once

#include "core/common/StopToken.hpp"
#include <string>

#include "core/backend/InterruptRecords.hpp"
#include "core/backend/Uuid.hpp"

namespace kindora {

// The backend as the interrupt poller and controller see it: the open alerts, and the two actions on
// one alert. Blocks until the answer, throws only BackendError; a stop request aborts it (as a network
// error).
class InterruptBackendClientProtocol {
public:
    virtual ~InterruptBackendClientProtocol() = default;

    virtual InterruptsResponse interrupts(const std::string& token, StopToken stop = {}) = 0;
    virtual AlertActionResponse ackAlert(const std::string& token, const Uuid& id,
                                         StopToken stop = {}) = 0;
    virtual AlertActionResponse resolveAlert(const std::string& token, const Uuid& id,
                                             StopToken stop = {}) = 0;
};

}  // namespace kindora
