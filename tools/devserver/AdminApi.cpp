#include "tools/devserver/AdminApi.hpp"

#include "core/common/JsonCoding.hpp"
#include "tools/devserver/HouseholdJson.hpp"
#include "tools/devserver/JsonResponse.hpp"

namespace kindora::devserver {
namespace {

using nlohmann::ordered_json;
using Request = httplib::Request;
using Response = httplib::Response;

nlohmann::json bodyOf(const Request& request) {
    if (request.body.empty()) {
        return nlohmann::json::object();
    }
    return JsonCoding::parse(request.body);
}

template <typename Items, typename Encode>
ordered_json arrayOf(const Items& items, Encode encode) {
    ordered_json array = ordered_json::array();
    for (const auto& item : items) {
        array.push_back(encode(item));
    }
    return array;
}

ordered_json encodeDevices(const std::vector<Device>& devices) {
    return arrayOf(
        devices, [](const Device& d) { return HouseholdJson::encode(d, HouseholdJson::DeviceForm::admin); });
}

std::string commandType(const nlohmann::json& body) {
    const auto type = body.find("type");
    if (!body.is_object() || type == body.end() || !type->is_string() || type->get<std::string>().empty()) {
        throw ApiError::badRequest("A command needs a non-empty string \"type\"");
    }
    return type->get<std::string>();
}

}  // namespace

AdminApi::AdminApi(Household& household, FaultInjector& faults) : household_(household), faults_(faults) {}

void AdminApi::serve(const Request& request, Response& response, int status, const Handler& handler) {
    try {
        JsonResponse::send(response, status, handler(request));
    } catch (const ApiError& error) {
        JsonResponse::sendError(response, error);
    } catch (const RecordDecodingError& error) {
        JsonResponse::sendError(response, ApiError::badRequest(error.what()));
    }
}

ordered_json AdminApi::state() {
    const HouseholdSnapshot snapshot = household_.snapshot();
    ordered_json json;
    json["devices"] = encodeDevices(snapshot.devices);
    json["messages"] =
        arrayOf(snapshot.messages, [](const StoredMessage& m) { return HouseholdJson::encode(m); });
    json["reads"] = arrayOf(snapshot.reads, [](const StoredRead& r) { return HouseholdJson::encode(r); });
    json["interrupts"] =
        arrayOf(snapshot.alerts, [](const StoredAlert& a) { return HouseholdJson::encode(a); });
    json["meetings"] = arrayOf(snapshot.meetings, [](const Meeting& m) { return toJson(m); });
    json["rules"] = HouseholdJson::encode(snapshot.rules);
    json["faults"] = arrayOf(faults_.pending(), [](const FaultRule& f) { return HouseholdJson::encode(f); });
    return json;
}

void AdminApi::registerRoutes(httplib::Server& server) {
    server.Get("/admin/state", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request&) { return state(); });
    });
    server.Get("/admin/devices", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request&) { return state()["devices"]; });
    });
    server.Get("/admin/messages", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request&) { return state()["messages"]; });
    });
    server.Get("/admin/reads", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request&) { return state()["reads"]; });
    });
    server.Get("/admin/interrupts", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request&) { return state()["interrupts"]; });
    });
    server.Get("/admin/meetings", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request&) { return state()["meetings"]; });
    });
    server.Get("/admin/rules", [this](const Request& request, Response& response) {
        serve(request, response, 200,
              [this](const Request&) { return HouseholdJson::encode(household_.rules()); });
    });
    server.Get("/admin/faults", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request&) { return state()["faults"]; });
    });

    server.Post(R"(/admin/pairings/([^/]+)/confirm)", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request& r) {
            const Device device = household_.confirmPairing(r.matches[1].str());
            logger_.info("Pairing of device {} confirmed", device.id);
            return HouseholdJson::encode(device, HouseholdJson::DeviceForm::admin);
        });
    });
    server.Post(R"(/admin/devices/([^/]+)/revoke)", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request& r) {
            const Device device = household_.revokeDevice(r.matches[1].str());
            logger_.info("Device {} revoked", device.id);
            return HouseholdJson::encode(device, HouseholdJson::DeviceForm::admin);
        });
    });
    server.Post(R"(/admin/devices/([^/]+)/commands)", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request& r) {
            household_.queueCommand(r.matches[1].str(), commandType(bodyOf(r)));
            return ordered_json{{"queued", true}};
        });
    });
    server.Post("/admin/commands", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request& r) {
            household_.queueCommand(std::nullopt, commandType(bodyOf(r)));
            return ordered_json{{"queued", true}};
        });
    });

    server.Post("/admin/interrupts", [this](const Request& request, Response& response) {
        serve(request, response, 201, [this](const Request& r) {
            const Interrupt draft = HouseholdJson::decodeInterruptDraft(bodyOf(r), household_.now());
            return HouseholdJson::encode(household_.addInterrupt(draft));
        });
    });
    server.Delete(R"(/admin/interrupts/([^/]+))", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request& r) {
            const auto id = Uuid::parse(r.matches[1].str());
            if (!id || !household_.removeInterrupt(*id)) {
                throw ApiError::notFound("Unknown alert");
            }
            return ordered_json{{"removed", id->text()}};
        });
    });
    server.Post("/admin/meetings", [this](const Request& request, Response& response) {
        serve(request, response, 201, [this](const Request& r) {
            return toJson(
                household_.addMeeting(HouseholdJson::decodeMeetingDraft(bodyOf(r), household_.now())));
        });
    });
    server.Delete(R"(/admin/meetings/([^/]+))", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request& r) {
            if (!household_.removeMeeting(r.matches[1].str())) {
                throw ApiError::notFound("Unknown meeting");
            }
            return ordered_json{{"removed", r.matches[1].str()}};
        });
    });

    const auto setRules = [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request& r) {
            HouseholdRules rules = HouseholdJson::decodeRules(bodyOf(r));
            household_.setRules(rules);
            return HouseholdJson::encode(rules);
        });
    };
    server.Put("/admin/rules", setRules);
    server.Post("/admin/rules", setRules);

    server.Post("/admin/faults", [this](const Request& request, Response& response) {
        serve(request, response, 201, [this](const Request& r) {
            const FaultRule rule = HouseholdJson::decodeFaultRule(bodyOf(r));
            faults_.add(rule);
            return HouseholdJson::encode(rule);
        });
    });
    server.Delete("/admin/faults", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request&) {
            faults_.clear();
            return ordered_json{{"cleared", true}};
        });
    });
    server.Post("/admin/reset", [this](const Request& request, Response& response) {
        serve(request, response, 200, [this](const Request&) {
            household_.reset();
            faults_.clear();
            logger_.info("Household reset");
            return ordered_json{{"reset", true}};
        });
    });
}

}  // namespace kindora::devserver
