#pragma once

#include <string>
#include <string_view>

#include "core/backend/BackendClient.hpp"

// What the benchmarks that run against a kindora-devserver process share.
namespace kindora::bench {

// An empty POST to the devserver's admin API; throws std::runtime_error unless it answers 200.
void adminPost(const std::string& url);

// A device paired through `client` and confirmed at once through the admin API.
PairingCreateResponse pairConfirmedDevice(const std::string& origin, BackendClient& client);

// A field of this process's /proc status in kilobytes ("VmRSS:", "VmHWM:"), or -1 when it is not there.
long processStatusKilobytes(std::string_view field);

// This process's resident memory in kilobytes, or -1 when /proc does not say.
long residentKilobytes();

}  // namespace kindora::bench
