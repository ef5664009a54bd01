#include "tools/devserver/JsonResponse.hpp"

#include "core/common/JsonCoding.hpp"

namespace kindora::devserver::JsonResponse {

void send(httplib::Response& response, int status, const nlohmann::ordered_json& body) {
    response.status = status;
    response.set_content(JsonCoding::encode(body), "application/json");
}

void sendError(httplib::Response& response, const ApiError& error) {
    nlohmann::ordered_json body;
    body["error"] = error.what();
    if (error.code()) {
        body["code"] = *error.code();
    }
    if (error.statusWord()) {
        body["status"] = *error.statusWord();
    }
    send(response, error.status(), body);
}

std::string bearerToken(const httplib::Request& request) {
    static constexpr std::string_view scheme = "Bearer ";
    const std::string header = request.get_header_value("Authorization");
    if (header.size() <= scheme.size() || header.compare(0, scheme.size(), scheme) != 0) {
        return {};
    }
    return header.substr(scheme.size());
}

}  // namespace kindora::devserver::JsonResponse
