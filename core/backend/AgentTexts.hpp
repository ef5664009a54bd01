#pragma once

#include "core/common/Phrase.hpp"

// The agent's own wording of what went wrong, shown in the interface when the backend sent no text of
// its own; every sentence lives here once.
namespace kindora::AgentTexts {

inline constexpr Phrase requestFailed = KINDORA_PHRASE("BackendError", "Request failed (HTTP %1)");
inline constexpr Phrase networkError = KINDORA_PHRASE("BackendError", "Network error: %1");
inline constexpr Phrase unexpectedResponse =
    KINDORA_PHRASE("BackendError", "Unexpected response from the server: %1");
inline constexpr Phrase requiresResolution =
    KINDORA_PHRASE("BackendError", "This alert requires a resolution.");
inline constexpr Phrase forbidden =
    KINDORA_PHRASE("BackendError", "You don't have permission to resolve this alert.");
inline constexpr Phrase revoked = KINDORA_PHRASE("BackendError", "This device has been revoked.");
inline constexpr Phrase pending = KINDORA_PHRASE("BackendError", "Pairing has not been confirmed yet.");
inline constexpr Phrase notFound = KINDORA_PHRASE("BackendError", "Not found.");

// An acknowledgement refused because the alert must be resolved: the alert panel says what to do
// instead, so its sentence is longer than the general one above.
inline constexpr Phrase acknowledgementRefused =
    KINDORA_PHRASE("BackendError", "This alert requires a resolution, not just an acknowledgement.");

}  // namespace kindora::AgentTexts
