#pragma once

#include "core/common/StopToken.hpp"

#include "core/backend/HTTPRequest.hpp"
#include "core/backend/HTTPResponse.hpp"

namespace kindora {

// Sends one request and returns the answer, whatever its status. Failing to get an answer at all (no
// connection, time-out, TLS failure, an answer too large, a stop request) throws; implementations throw
// BackendError::network. Safe to call from several threads at once.
class HTTPTransport {
public:
    virtual ~HTTPTransport() = default;

    virtual HTTPResponse send(const HTTPRequest& request, StopToken stop = {}) = 0;
};

}  // namespace kindora
