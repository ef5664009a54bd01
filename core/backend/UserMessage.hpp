#pragma once

#include <exception>
#include <string>

namespace kindora {

// The short text shown in the interface for any error: the pairing controller's last error, the
// interrupt controller's action errors. Backend errors get their fixed texts ("Network error: ...",
// "Request failed (HTTP 500)", ...); any other error its own description.
std::string userMessage(const std::exception& error);

// The sync status text of a failed tick: the same texts as userMessage() for backend errors; any
// other error (a database failure, for instance) gives its own description.
std::string errorText(const std::exception& error);

}  // namespace kindora
