#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "core/backend/CurlConnection.hpp"
#include "core/backend/HTTPTransport.hpp"

namespace kindora {

// The HTTP transport of the agent, on libcurl. TLS peer and host verification are always on. Each
// calling thread gets a kept-alive connection that its next request reuses (connections are pooled,
// so there are as many as requests in flight at once, and a thread that ends leaves its connection to
// the next caller). A stop request aborts the transfer at once; every failure is BackendError::network
// with libcurl's own description.
class CurlTransport final : public HTTPTransport {
public:
    struct Options {
        // The whole exchange, connection included, must end within this time.
        double timeoutSeconds = 60;
        // Certificate authorities to trust instead of the system's (tests use their own CA).
        std::optional<std::filesystem::path> caFile;
        // Longer answers are refused without being buffered.
        std::size_t maximumBodyBytes = 16 * 1024 * 1024;
    };

    CurlTransport();
    explicit CurlTransport(Options options);
    ~CurlTransport() override;

    HTTPResponse send(const HTTPRequest& request, StopToken stop = {}) override;

private:
    std::unique_ptr<CurlConnection> acquire();
    void release(std::unique_ptr<CurlConnection> connection);

    CurlTransferSettings settings_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<CurlConnection>> idle_;
};

}  // namespace kindora
