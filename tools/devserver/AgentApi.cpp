#include "tools/devserver/AgentApi.hpp"

#include "core/common/JsonCoding.hpp"
#include "tools/devserver/JsonResponse.hpp"

namespace kindora::devserver {
namespace {

// Cut off in the middle of an object: no JSON decoder accepts it.
constexpr const char* malformedBody = R"({"malformed": [1, 2, )";
// What the headers of a dropped answer promise; the connection closes before any of it is sent.
constexpr std::size_t droppedBodyLength = 64;

}  // namespace

void AgentApi::dropAnswer(httplib::Response& response) {
    // A provider that fails makes the server close the connection after the headers.
    response.status = 200;
    response.body.clear();
    response.set_content_provider(droppedBodyLength, "application/json",
                                  [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
}

AgentApi::AgentApi(Household& household, FaultInjector& faults, Sleeper sleeper, StopToken stop)
    : household_(household), faults_(faults), sleeper_(std::move(sleeper)), stop_(std::move(stop)) {}

bool AgentApi::applyFault(const Fault& fault, httplib::Response& response) {
    switch (fault.kind) {
        case FaultKind::status:
            response.status = fault.status;
            response.set_content(fault.body, "application/json");
            return true;
        case FaultKind::malformed:
            response.status = 200;
            response.set_content(malformedBody, "application/json");
            return true;
        case FaultKind::drop:
            dropAnswer(response);
            return true;
        case FaultKind::unanswered:
            return false;  // served first, then dropped
        case FaultKind::delay:
            if (!sleeper_.sleep(fault.delaySeconds, stop_)) {
                JsonResponse::sendError(response, ApiError(503, "The server is stopping"));
                return true;
            }
            return false;
    }
    return false;
}

void AgentApi::serve(const char* endpoint, const httplib::Request& request, httplib::Response& response,
                     const Handler& handler) {
    const auto fault = faults_.take(endpoint);
    if (fault) {
        logger_.info("Injecting a {} fault into {}", toString(fault->kind), endpoint);
        if (applyFault(*fault, response)) {
            return;
        }
    }
    try {
        JsonResponse::send(response, 200, handler(request));
    } catch (const ApiError& error) {
        JsonResponse::sendError(response, error);
    } catch (const RecordDecodingError& error) {
        // The decoder's description names the record and key, never a value sent in it.
        JsonResponse::sendError(response, ApiError::badRequest(error.what()));
    }
    if (fault && fault->kind == FaultKind::unanswered) {
        dropAnswer(response);  // what the request did stands; only its answer is lost
    }
}

void AgentApi::registerRoutes(httplib::Server& server) {
    using Request = httplib::Request;
    using Response = httplib::Response;

    server.Post("/api/agent/pair", [this](const Request& request, Response& response) {
        serve("createPairing", request, response, [this](const Request& r) {
            const PairingCreateResponse created =
                household_.createPairing(JsonCoding::decode<PairingCreateRequest>(r.body));
            logger_.info("Pairing created for device {} with code {}", created.deviceId, created.code);
            return toJson(created);
        });
    });
    server.Get("/api/agent/pair/status", [this](const Request& request, Response& response) {
        serve("pairingStatus", request, response, [this](const Request& r) {
            return toJson(household_.pairingStatus(JsonResponse::bearerToken(r)));
        });
    });
    server.Post("/api/agent/heartbeat", [this](const Request& request, Response& response) {
        serve("heartbeat", request, response, [this](const Request& r) {
            const std::string token = JsonResponse::bearerToken(r);
            // Authenticate before reading the body, so a revoked device hears "revoked" whatever it sent.
            household_.authenticate(token);
            return toJson(household_.heartbeat(token, JsonCoding::decode<HeartbeatRequest>(r.body)));
        });
    });
    server.Post("/api/ingest/messages", [this](const Request& request, Response& response) {
        serve("ingest", request, response, [this](const Request& r) {
            const std::string token = JsonResponse::bearerToken(r);
            household_.authenticate(token);
            const IngestRequest batch = JsonCoding::decode<IngestRequest>(r.body);
            const IngestResponse answer = household_.ingest(token, batch);
            logger_.info("Ingested {} messages and {} reads: accepted {}, already read {}, resolved {}",
                         batch.messages.size(), batch.reads ? batch.reads->size() : 0, answer.accepted,
                         answer.alreadyRead, answer.resolved);
            return toJson(answer);
        });
    });
    server.Get("/api/agent/interrupts", [this](const Request& request, Response& response) {
        serve("interrupts", request, response, [this](const Request& r) {
            return toJson(household_.interrupts(JsonResponse::bearerToken(r)));
        });
    });
    server.Get("/api/agent/meetings", [this](const Request& request, Response& response) {
        serve("fetchMeetings", request, response,
              [this](const Request& r) { return toJson(household_.meetings(JsonResponse::bearerToken(r))); });
    });
    server.Post(R"(/api/agent/alerts/([^/]+)/ack)", [this](const Request& request, Response& response) {
        serve("ackAlert", request, response, [this](const Request& r) {
            return toJson(household_.ackAlert(JsonResponse::bearerToken(r), r.matches[1].str()));
        });
    });
    server.Post(R"(/api/agent/alerts/([^/]+)/resolve)", [this](const Request& request, Response& response) {
        serve("resolveAlert", request, response, [this](const Request& r) {
            return toJson(household_.resolveAlert(JsonResponse::bearerToken(r), r.matches[1].str()));
        });
    });
}

}  // namespace kindora::devserver
