#pragma once

#include <string>
#include <string_view>

#include "core/common/Defaults.hpp"

namespace kindora {

// Where the household backend is. The origin is fixed when the agent is built (the CMake cache
// variable KINDORA_BACKEND_ORIGIN, checked at configure time): "https://host" only, or in a development
// build also a loopback "http://127.0.0.1:PORT". Nothing overrides it at run time.
namespace BackendEnvironment {

// The built-in origin. An origin that is not valid stops the process: it is a build mistake, and
// talking to the wrong place is worse than not starting.
const std::string& productionBaseURL();

// The origin to use; settings cannot change it, so this is productionBaseURL().
const std::string& currentBaseURL(const Defaults& defaults);

// True for "https://host" (letters, digits, dots and hyphens), and, when `allowLoopbackHttp`, for
// "http://127.0.0.1:PORT".
bool isValidOrigin(std::string_view origin, bool allowLoopbackHttp);

}  // namespace BackendEnvironment
}  // namespace kindora
