#include "core/update/UpdateEnvironment.hpp"

#include <cstdlib>
#include <fstream>

#include "core/common/Log.hpp"
#include "core/update/Appcast.hpp"
#include "core/update/UpdateConfiguration.hpp"
#include "core/update/UpdateError.hpp"

namespace kindora::UpdateEnvironment {

const std::string& agentVersion() {
    static const std::string version = KINDORA_VERSION_TEXT;
    return version;
}

UpdateSource builtInSource(const std::filesystem::path& downloadDirectory) {
    const bool allowsLoopbackHttp = KINDORA_UPDATE_ALLOWS_LOOPBACK_HTTP != 0;
    const std::string feedURL = KINDORA_UPDATE_FEED_URL_TEXT;
    const auto publicKey = UpdatePublicKey::fromBase64(KINDORA_UPDATE_PUBLIC_KEY_TEXT);
    if (!isAcceptedUpdateURL(feedURL, allowsLoopbackHttp) || !publicKey) {
        Log("Updater").fault("The built-in update feed or key is not valid; this build cannot update");
        std::abort();
    }
    UpdateSource source{feedURL,         *publicKey,        Version::parse(agentVersion()),
                        systemVersion(), downloadDirectory, allowsLoopbackHttp};
    return source;
}

std::optional<Version> systemVersion(const std::filesystem::path& osRelease) {
    std::ifstream file(osRelease);
    std::string line;
    while (line.size() < 4096 && std::getline(file, line)) {
        if (line.rfind("VERSION_ID=", 0) != 0) {
            continue;
        }
        std::string value = line.substr(11);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        try {
            return Version::parse(value);
        } catch (const UpdateError&) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace kindora::UpdateEnvironment
