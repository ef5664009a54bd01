#pragma once

#include <httplib.h>

#include <nlohmann/json.hpp>

#include "tools/devserver/ApiError.hpp"

namespace kindora::devserver {

// Every answer of the devserver is JSON with an explicit content type; these write one.
namespace JsonResponse {

void send(httplib::Response& response, int status, const nlohmann::ordered_json& body);
// {"error": ..., "code": ..., "status": ...} with the error's HTTP status.
void sendError(httplib::Response& response, const ApiError& error);
// The bearer token of an "Authorization: Bearer <token>" header, exactly as sent; empty otherwise.
std::string bearerToken(const httplib::Request& request);

}  // namespace JsonResponse
}  // namespace kindora::devserver
