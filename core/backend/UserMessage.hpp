#pragma once

#include <exception>
#include <string>

namespace kindora {

// The short text shown for any error: the pairing controller's last error, the interrupt
// controller's action errors, the sync status of a failed tick and its log lines. Backend errors get
// their fixed texts ("Network error: ...", "Request failed (HTTP 500)", ...); any other error (a
// database failure, for instance) its own description.
std::string userMessage(const std::exception& error);

}  // namespace kindora
