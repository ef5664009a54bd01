#include "core/backend/UserMessage.hpp"

#include <string_view>

#include "core/backend/AgentTexts.hpp"
#include "core/backend/BackendError.hpp"

namespace kindora {
namespace {

std::string backendErrorText(const BackendError& error) {
    const auto& message = error.message();
    const auto orFallback = [&message](std::string_view fallback) {
        return message ? *message : std::string(fallback);
    };
    switch (error.kind()) {
        case BackendError::Kind::http:
            return orFallback(std::string(AgentTexts::requestFailedPrefix) + std::to_string(error.status()) + ")");
        case BackendError::Kind::duplicate:
            return message.value_or("");
        case BackendError::Kind::network:
            return std::string(AgentTexts::networkErrorPrefix) + message.value_or("");
        case BackendError::Kind::decoding:
            return std::string(AgentTexts::unexpectedResponsePrefix) + message.value_or("");
        case BackendError::Kind::requiresResolution:
            return orFallback(AgentTexts::requiresResolution);
        case BackendError::Kind::forbidden:
            return orFallback(AgentTexts::forbidden);
        case BackendError::Kind::revoked:
            return std::string(AgentTexts::revoked);
        case BackendError::Kind::pending:
            return std::string(AgentTexts::pending);
        case BackendError::Kind::notFound:
            return std::string(AgentTexts::notFound);
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

}  // namespace kindora
