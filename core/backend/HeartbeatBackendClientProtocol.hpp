#pragma once

#include <cstdint>
#include <optional>
#include "core/common/StopToken.hpp"
#include <string>

#include "core/backend/HeartbeatRecords.hpp"

namespace kindora {

// The backend as the heartbeat sees it. `cursor` is the sync watermark, sent as decimal text.
// Blocks until the answer, throws only BackendError; a stop request aborts it (as a network error).
class HeartbeatBackendClientProtocol {
public:
    virtual ~HeartbeatBackendClientProtocol() = default;

    virtual HeartbeatResponse heartbeat(const std::string& token, std::optional<std::int64_t> cursor,
                                        const std::optional<std::string>& agentVersion,
                                        StopToken stop = {}) = 0;
};

}  // namespace kindora
