#pragma once

#include <exception>

#include "core/common/UserText.hpp"

namespace kindora {

// The short text shown for any error: the pairing controller's last error, the interrupt
// controller's action errors, the sync status of a failed tick and its log lines. Backend errors get
// their fixed texts ("Network error: ...", "Request failed (HTTP 500)", ...) unless the backend sent
// its own; any other error (a database failure, for instance) its own description, as it stands.
UserText userMessage(const std::exception& error);

}  // namespace kindora
