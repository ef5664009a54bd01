#include "core/backend/CurlTransport.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kindora {
namespace {

// Idle connections beyond this are closed: more callers than this at once is not how the agent works.
constexpr std::size_t maximumIdleConnections = 8;

}  // namespace

CurlTransport::CurlTransport() : CurlTransport(Options{}) {}

CurlTransport::CurlTransport(Options options) {
    settings_.timeoutMilliseconds = std::lround(std::max(options.timeoutSeconds, 0.001) * 1000.0);
    settings_.caFile = std::move(options.caFile);
    settings_.maximumBodyBytes = options.maximumBodyBytes;
}

CurlTransport::~CurlTransport() = default;

HTTPResponse CurlTransport::send(const HTTPRequest& request, StopToken stop) {
    std::unique_ptr<CurlConnection> connection = acquire();
    HTTPResponse response;
    if (request.maximumBodyBytes) {
        CurlTransferSettings settings = settings_;
        settings.maximumBodyBytes = *request.maximumBodyBytes;
        response = connection->perform(request, settings, stop);
    } else {
        response = connection->perform(request, settings_, stop);
    }
    release(std::move(connection));
    return response;
}

std::unique_ptr<CurlConnection> CurlTransport::acquire() {
    {
        const std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            // The most recently returned connection first: a thread that sends request after request
            // keeps getting its own warm connection back.
            std::unique_ptr<CurlConnection> connection = std::move(idle_.back());
            idle_.pop_back();
            return connection;
        }
    }
    return std::make_unique<CurlConnection>();
}

void CurlTransport::release(std::unique_ptr<CurlConnection> connection) {
    const std::lock_guard lock(mutex_);
    if (idle_.size() < maximumIdleConnections) {
        idle_.push_back(std::move(connection));
    }
}

}  // namespace kindora
