#include "core/backend/BackendError.hpp"

#include <utility>

namespace kindora {
namespace {

// what() gives a readable account of the case; the texts shown to the user come from userMessage().
std::string describe(BackendError::Kind kind, int status, const std::optional<std::string>& message) {
    std::string text = toString(kind);
    if (kind == BackendError::Kind::http || kind == BackendError::Kind::duplicate) {
        text += " " + std::to_string(status);
    }
    if (message) {
        text += ": " + *message;
    }
    return text;
}

}  // namespace

BackendError::BackendError(Kind kind, int status, std::optional<std::string> message)
    : std::runtime_error(describe(kind, status, message)),
      kind_(kind),
      status_(status),
      message_(std::move(message)) {}

BackendError BackendError::http(int status, std::optional<std::string> bodyMessage) {
    return BackendError(Kind::http, status, std::move(bodyMessage));
}

BackendError BackendError::duplicate(std::string bodyMessage) {
    return BackendError(Kind::duplicate, 400, std::move(bodyMessage));
}

BackendError BackendError::network(std::string detail) {
    return BackendError(Kind::network, 0, std::move(detail));
}

BackendError BackendError::decoding(std::string detail) {
    return BackendError(Kind::decoding, 0, std::move(detail));
}

BackendError BackendError::requiresResolution(std::optional<std::string> message) {
    return BackendError(Kind::requiresResolution, 0, std::move(message));
}

BackendError BackendError::forbidden(std::optional<std::string> message) {
    return BackendError(Kind::forbidden, 0, std::move(message));
}

BackendError BackendError::revoked() {
    return BackendError(Kind::revoked, 0, std::nullopt);
}

BackendError BackendError::pending() {
    return BackendError(Kind::pending, 0, std::nullopt);
}

BackendError BackendError::notFound() {
    return BackendError(Kind::notFound, 0, std::nullopt);
}

std::optional<std::string> BackendError::bodyMessage() const {
    return kind_ == Kind::http || kind_ == Kind::duplicate ? message_ : std::nullopt;
}

const char* toString(BackendError::Kind kind) {
    switch (kind) {
        case BackendError::Kind::http:
            return "http";
        case BackendError::Kind::duplicate:
            return "duplicate";
        case BackendError::Kind::network:
            return "network";
        case BackendError::Kind::decoding:
            return "decoding";
        case BackendError::Kind::requiresResolution:
            return "requiresResolution";
        case BackendError::Kind::forbidden:
            return "forbidden";
        case BackendError::Kind::revoked:
            return "revoked";
        case BackendError::Kind::pending:
            return "pending";
        case BackendError::Kind::notFound:
            return "notFound";
    }
    return "unknown";
}

}  // namespace kindora
