#pragma once

#include <string_view>

// The agent's own wording of what went wrong, shown in the interface when the backend sent no text of
// its own; every sentence lives here once.
namespace kindora::AgentTexts {

inline constexpr std::string_view requestFailedPrefix = "Request failed (HTTP ";
inline constexpr std::string_view networkErrorPrefix = "Network error: ";
inline constexpr std::string_view unexpectedResponsePrefix = "Unexpected response from the server: ";
inline constexpr std::string_view requiresResolution = "This alert requires a resolution.";
inline constexpr std::string_view forbidden = "You don't have permission to resolve this alert.";
inline constexpr std::string_view revoked = "This device has been revoked.";
inline constexpr std::string_view pending = "Pairing has not been confirmed yet.";
inline constexpr std::string_view notFound = "Not found.";

// An acknowledgement refused because the alert must be resolved: the alert panel says what to do
// instead, so its sentence is longer than the general one above.
inline constexpr std::string_view acknowledgementRefused =
    "This alert requires a resolution, not just an acknowledgement.";

}  // namespace kindora::AgentTexts
