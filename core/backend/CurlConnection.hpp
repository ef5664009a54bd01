#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include "core/common/StopToken.hpp"

#include "core/backend/HTTPRequest.hpp"
#include "core/backend/HTTPResponse.hpp"

namespace kindora {

// The settings every transfer of a CurlTransport shares.
struct CurlTransferSettings {
    long timeoutMilliseconds = 60'000;
    std::optional<std::filesystem::path> caFile;
    std::size_t maximumBodyBytes = 0;
};

// One libcurl easy handle driven through a multi handle of its own. The multi handle keeps the
// connection alive between transfers, and lets a stop request wake the transfer at once instead of at
// libcurl's next progress call. Used by one thread at a time.
class CurlConnection {
public:
    CurlConnection();
    ~CurlConnection();
    CurlConnection(const CurlConnection&) = delete;
    CurlConnection& operator=(const CurlConnection&) = delete;

    // Runs one transfer. Throws BackendError::network for every failure to get a whole answer.
    HTTPResponse perform(const HTTPRequest& request, const CurlTransferSettings& settings,
                         StopToken stop);

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
};

}  // namespace kindora
