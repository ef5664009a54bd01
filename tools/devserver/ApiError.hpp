#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace kindora::devserver {

// A refused request: the HTTP status and what goes in its JSON error body
// ({"error": what(), "code": code, "status": statusWord}, absent keys left out). Household operations
// throw only this for a request they will not serve.
class ApiError : public std::runtime_error {
public:
    ApiError(int status, const std::string& message, std::optional<std::string> code = std::nullopt,
             std::optional<std::string> statusWord = std::nullopt)
        : std::runtime_error(message),
          status_(status),
          code_(std::move(code)),
          statusWord_(std::move(statusWord)) {}

    static ApiError badRequest(const std::string& message) { return ApiError(400, message); }
    static ApiError notFound(const std::string& message) { return ApiError(404, message); }

    int status() const { return status_; }
    const std::optional<std::string>& code() const { return code_; }
    const std::optional<std::string>& statusWord() const { return statusWord_; }

private:
    int status_;
    std::optional<std::string> code_;
    std::optional<std::string> statusWord_;
};

}  // namespace kindora::devserver
