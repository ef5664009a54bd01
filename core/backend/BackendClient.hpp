#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include "core/common/StopToken.hpp"

#include <nlohmann/json.hpp>

#include "core/backend/BackendError.hpp"
#include "core/backend/HTTPTransport.hpp"
#include "core/backend/HeartbeatBackendClientProtocol.hpp"
#include "core/backend/IngestBackendClientProtocol.hpp"
#include "core/backend/InterruptBackendClientProtocol.hpp"
#include "core/backend/MeetingBackendClientProtocol.hpp"
#include "core/backend/PairingBackendClientProtocol.hpp"

namespace kindora {

// The agent's one client of the household backend. It builds every request (path resolved against
// the origin, "Content-Type: application/json", the bearer token where the endpoint needs one, the JSON
// body), sends it through the transport, and turns the answer into its record or a BackendError. Only
// status 200 is a success. It never retries: the calling loops own retry and back-off. It holds no
// state between requests, so several threads may use it at once.
class BackendClient final : public PairingBackendClientProtocol,
                            public IngestBackendClientProtocol,
                            public HeartbeatBackendClientProtocol,
                            public InterruptBackendClientProtocol,
                            public MeetingBackendClientProtocol {
public:
    BackendClient(std::string baseURL, HTTPTransport& transport);

    const std::string& baseURL() const { return baseURL_; }

    PairingCreateResponse createPairing(const std::string& deviceName,
                                        const std::optional<std::string>& agentVersion,
                                        StopToken stop = {}) override;
    PairingStatusResponse pairingStatus(const std::string& token, StopToken stop = {}) override;
    IngestResponse ingest(const std::string& token, const IngestRequest& batch, StopToken stop = {}) override;
    IngestResponse ingestPrepared(const std::string& token, const PreparedIngestRequest& prepared,
                                  StopToken stop = {}) override;
    HeartbeatResponse heartbeat(const std::string& token, std::optional<std::int64_t> cursor,
                                const std::optional<std::string>& agentVersion, StopToken stop = {}) override;
    InterruptsResponse interrupts(const std::string& token, StopToken stop = {}) override;
    AlertActionResponse ackAlert(const std::string& token, const Uuid& id, StopToken stop = {}) override;
    AlertActionResponse resolveAlert(const std::string& token, const Uuid& id, StopToken stop = {}) override;
    MeetingsResponse fetchMeetings(const std::string& token, StopToken stop = {}) override;

private:
    // How a non-200 answer of an endpoint becomes a BackendError.
    enum class FailureRule {
        // Pairing endpoints: always `http`, with the body's `error` text when there is one.
        plain,
        // Token endpoints: 403 is `pending`, 401 with status "revoked" is `revoked`, else `http`.
        authenticated,
        // Alert actions: "requires-resolution", "requires-manage"/"forbidden" and 404 first, then as
        // authenticated.
        alertAction,
        // Ingest: as authenticated, but a 400 whose message speaks of a duplicate is `duplicate`.
        ingest,
    };

    // The error a non-200 answer gives under `rule`.
    static BackendError failure(FailureRule rule, const HTTPResponse& response);

    struct Call {
        std::string_view method;
        std::string path;
        const std::string* token = nullptr;
        std::optional<nlohmann::ordered_json> body;
        FailureRule rule = FailureRule::authenticated;
        // The body encoded already, in place of `body`.
        const std::string* encodedBody = nullptr;
    };

    template <typename Record>
    Record perform(const Call& call, StopToken stop);
    HTTPResponse exchange(const Call& call, StopToken stop);
    std::string resolve(const std::string& path) const;

    HTTPTransport& transport_;
    std::string baseURL_;
};

}  // namespace kindora
