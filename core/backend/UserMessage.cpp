#include "core/backend/UserMessage.hpp"

#include <string>

#include "core/backend/AgentTexts.hpp"
#include "core/backend/BackendError.hpp"

namespace kindora {
namespace {

UserText backendErrorText(const BackendError& error) {
    const auto& message = error.message();
    const auto orFallback = [&message](const UserText& fallback) {
        return message ? UserText::verbatim(*message) : fallback;
    };
    const auto detail = [&message] { return UserText::verbatim(message.value_or("")); };
    switch (error.kind()) {
        case BackendError::Kind::http:
            return orFallback(
                UserText(AgentTexts::requestFailed, {UserText::verbatim(std::to_string(error.status()))}));
        case BackendError::Kind::duplicate:
            return detail();
        case BackendError::Kind::network:
            return UserText(AgentTexts::networkError, {detail()});
        case BackendError::Kind::decoding:
            return UserText(AgentTexts::unexpectedResponse, {detail()});
        case BackendError::Kind::requiresResolution:
            return orFallback(AgentTexts::requiresResolution);
        case BackendError::Kind::forbidden:
            return orFallback(AgentTexts::forbidden);
        case BackendError::Kind::revoked:
            return AgentTexts::revoked;
        case BackendError::Kind::pending:
            return AgentTexts::pending;
        case BackendError::Kind::notFound:
            return AgentTexts::notFound;
    }
    return UserText::verbatim(error.what());
}

}  // namespace

UserText userMessage(const std::exception& error) {
    if (const auto* backendError = dynamic_cast<const BackendError*>(&error)) {
        return backendErrorText(*backendError);
    }
    return UserText::verbatim(error.what());
}

}  // namespace kindora
