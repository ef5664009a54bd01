#include "core/backend/UserMessage.hpp"

#include "core/backend/BackendError.hpp"

namespace kindora {
namespace {

std::string backendErrorText(const BackendError& error) {
    const auto& message = error.message();
    switch (error.kind()) {
        case BackendError::Kind::http:
            return message ? *message : "Request failed (HTTP " + std::to_string(error.status()) + ")";
        case BackendError::Kind::duplicate:
            return message.value_or("");
        case BackendError::Kind::network:
            return "Network error: " + message.value_or("");
        case BackendError::Kind::decoding:
            return "Unexpected response from the server: " + message.value_or("");
        case BackendError::Kind::requiresResolution:
            return message ? *message : "This alert requires a resolution.";
        case BackendError::Kind::forbidden:
            return message ? *message : "You don't have permission to resolve this alert.";
        case BackendError::Kind::revoked:
            return "This device has been revoked.";
        case BackendError::Kind::pending:
            return "Pairing has not been confirmed yet.";
        case BackendError::Kind::notFound:
            return "Not found.";
    }
    return error.what();
}

}  // namespace

std::string userMessage(const std::exception& error) {
    if (const auto* backendError = dynamic_cast<const BackendError*>(&error)) {
        return backendErrorText(*backendError);
    }
    return error.what();
}

std::string errorText(const std::exception& error) {
    // C++ errors have one description, so both functions agree on non-backend errors; they stay two
    // functions because the interface and the sync status are allowed to differ there.
    return userMessage(error);
}

}  // namespace kindora
