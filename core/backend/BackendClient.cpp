#include "core/backend/BackendClient.hpp"

#include <algorithm>
#include <cctype>
#include <utility>

#include "core/backend/BackendError.hpp"
#include "core/backend/BackendErrorBodies.hpp"
#include "core/common/JsonCoding.hpp"
#include "core/common/UrlParts.hpp"

namespace kindora {
namespace {

template <typename Body>
std::optional<Body> tryDecode(const std::string& text) {
    try {
        return JsonCoding::decode<Body>(text);
    } catch (const RecordDecodingError&) {
        return std::nullopt;
    }
}

BackendError plainFailure(const HTTPResponse& response) {
    const auto body = tryDecode<BackendErrorBody>(response.body);
    return BackendError::http(response.status, body ? std::optional(body->error) : std::nullopt);
}

BackendError authenticatedFailure(const HTTPResponse& response) {
    if (response.status == 403) {
        return BackendError::pending();
    }
    if (response.status == 401) {
        const auto body = tryDecode<RevokedStatusBody>(response.body);
        if (body && body->status == "revoked") {
            return BackendError::revoked();
        }
    }
    return plainFailure(response);
}

BackendError alertActionFailure(const HTTPResponse& response) {
    switch (response.status) {
        case 400:
        case 409: {
            const auto body = tryDecode<AlertActionErrorBody>(response.body);
            if (body && body->code == "requires-resolution") {
                return BackendError::requiresResolution(body->error);
            }
            break;
        }
        case 403: {
            const auto body = tryDecode<AlertActionErrorBody>(response.body);
            if (body && (body->code == "requires-manage" || body->code == "forbidden")) {
                return BackendError::forbidden(body->error);
            }
            break;
        }
        case 404:
            return BackendError::notFound();
        default:
            break;
    }
    return authenticatedFailure(response);
}

// The backend refuses a batch holding a message it already has with a 400 whose text says
// "duplicate" (in any letter case); the sync engine then looks for the rows it already has.
BackendError ingestFailure(const HTTPResponse& response) {
    BackendError error = authenticatedFailure(response);
    if (error.kind() != BackendError::Kind::http || error.status() != 400 || !error.bodyMessage()) {
        return error;
    }
    std::string lowered = *error.bodyMessage();
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lowered.find("duplicate") == std::string::npos) {
        return error;
    }
    return BackendError::duplicate(*error.bodyMessage());
}

// A line break in a header value would end the header and let the rest pose as headers of its own.
bool isSendableHeaderValue(const std::string& value) {
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

}  // namespace

BackendClient::BackendClient(std::string baseURL, HTTPTransport& transport)
    : transport_(transport), baseURL_(std::move(baseURL)) {}

BackendError BackendClient::failure(FailureRule rule, const HTTPResponse& response) {
    switch (rule) {
        case FailureRule::plain:
            return plainFailure(response);
        case FailureRule::authenticated:
            return authenticatedFailure(response);
        case FailureRule::alertAction:
            return alertActionFailure(response);
        case FailureRule::ingest:
            return ingestFailure(response);
    }
    return plainFailure(response);
}

std::string BackendClient::resolve(const std::string& path) const {
    // The path is absolute, so it replaces whatever path the base has; only scheme and authority stay.
    const auto invalid = [&] {
        return BackendError::network("Invalid URL for path " + path + " against base " + baseURL_);
    };
    // Credentials in the base, or anything else that could end the authority early, are refused.
    const auto parts = splitUrl(baseURL_);
    if (!parts || (parts->scheme != "https" && parts->scheme != "http") || parts->userinfo || path.empty() ||
        path.front() != '/') {
        throw invalid();
    }
    return parts->scheme + "://" + parts->host + (parts->port ? ":" + std::to_string(*parts->port) : "") +
           path;
}

HTTPResponse BackendClient::exchange(const Call& call, StopToken stop) {
    HTTPRequest request;
    request.method = std::string(call.method);
    request.url = resolve(call.path);
    request.headers.emplace_back("Content-Type", "application/json");
    if (call.token != nullptr) {
        if (!isSendableHeaderValue(*call.token)) {
            throw BackendError::network("The device token contains control characters and cannot be sent");
        }
        request.headers.emplace_back("Authorization", "Bearer " + *call.token);
    }
    if (call.encodedBody != nullptr) {
        request.body = *call.encodedBody;
    } else if (call.body) {
        request.body = JsonCoding::encode(*call.body);
    }
    try {
        return transport_.send(request, stop);
    } catch (const BackendError&) {
        throw;
    } catch (const std::exception& error) {
        throw BackendError::network(error.what());
    } catch (...) {
        throw BackendError::network("Unknown failure of the HTTP transport");
    }
}

template <typename Record>
Record BackendClient::perform(const Call& call, StopToken stop) {
    const HTTPResponse response = exchange(call, stop);
    if (response.status != 200) {
        throw failure(call.rule, response);
    }
    try {
        return JsonCoding::decode<Record>(response.body);
    } catch (const RecordDecodingError& error) {
        throw BackendError::decoding(error.what());
    }
}

PairingCreateResponse BackendClient::createPairing(const std::string& deviceName,
                                                   const std::optional<std::string>& agentVersion,
                                                   StopToken stop) {
    PairingCreateRequest request;
    request.deviceName = deviceName;
    request.agentVersion = agentVersion;
    return perform<PairingCreateResponse>(
        {"POST", "/api/agent/pair", nullptr, toJson(request), FailureRule::plain}, stop);
}

PairingStatusResponse BackendClient::pairingStatus(const std::string& token, StopToken stop) {
    return perform<PairingStatusResponse>(
        {"GET", "/api/agent/pair/status", &token, std::nullopt, FailureRule::plain}, stop);
}

IngestResponse BackendClient::ingest(const std::string& token, const IngestRequest& batch, StopToken stop) {
    return perform<IngestResponse>(
        {"POST", "/api/ingest/messages", &token, toJson(batch), FailureRule::ingest}, stop);
}

IngestResponse BackendClient::ingestPrepared(const std::string& token, const PreparedIngestRequest& prepared,
                                             StopToken stop) {
    Call call{"POST", "/api/ingest/messages", &token, std::nullopt, FailureRule::ingest};
    call.encodedBody = &prepared.body;
    return perform<IngestResponse>(call, stop);
}

HeartbeatResponse BackendClient::heartbeat(const std::string& token, std::optional<std::int64_t> cursor,
                                           const std::optional<std::string>& agentVersion, StopToken stop) {
    HeartbeatRequest request;
    if (cursor) {
        request.cursor = std::to_string(*cursor);
    }
    request.agentVersion = agentVersion;
    return perform<HeartbeatResponse>(
        {"POST", "/api/agent/heartbeat", &token, toJson(request), FailureRule::authenticated}, stop);
}

InterruptsResponse BackendClient::interrupts(const std::string& token, StopToken stop) {
    return perform<InterruptsResponse>(
        {"GET", "/api/agent/interrupts", &token, std::nullopt, FailureRule::authenticated}, stop);
}

AlertActionResponse BackendClient::ackAlert(const std::string& token, const Uuid& id, StopToken stop) {
    return perform<AlertActionResponse>(
        {"POST", "/api/agent/alerts/" + id.text() + "/ack", &token, std::nullopt, FailureRule::alertAction},
        stop);
}

AlertActionResponse BackendClient::resolveAlert(const std::string& token, const Uuid& id, StopToken stop) {
    return perform<AlertActionResponse>({"POST", "/api/agent/alerts/" + id.text() + "/resolve", &token,
                                         std::nullopt, FailureRule::alertAction},
                                        stop);
}

MeetingsResponse BackendClient::fetchMeetings(const std::string& token, StopToken stop) {
    return perform<MeetingsResponse>(
        {"GET", "/api/agent/meetings", &token, std::nullopt, FailureRule::authenticated}, stop);
}

}  // namespace kindora
