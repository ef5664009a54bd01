#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/update/UpdateSource.hpp"
#include "core/update/Version.hpp"

namespace kindora::UpdateEnvironment {

// The update feed and the maintainers' public key are fixed when the agent is built (the CMake cache
// variables KINDORA_UPDATE_FEED_URL and KINDORA_UPDATE_PUBLIC_KEY, checked at configure time): the
// feed is "https://host/path", or in a development build also a loopback "http://127.0.0.1:PORT/path".

// The running agent's version, as built.
const std::string& agentVersion();

// The built-in source: feed, key, running version, this system's version, downloads in
// `downloadDirectory`. A built-in value that is not valid stops the process: it is a build mistake.
UpdateSource builtInSource(const std::filesystem::path& downloadDirectory);

// The system's version from an os-release file ("VERSION_ID"), if it is one.
std::optional<Version> systemVersion(const std::filesystem::path& osRelease = "/etc/os-release");

}  // namespace kindora::UpdateEnvironment
