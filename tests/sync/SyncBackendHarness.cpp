#include "tests/sync/SyncBackendHarness.hpp"

namespace kindora::testing {

SyncBackendHarness::SyncBackendHarness(CurlTransport::Options transportOptions)
    : server_(std::make_unique<devserver::DevServer>(devserver::DevServerOptions{})),
      transport_(std::make_unique<CurlTransport>(std::move(transportOptions))) {
    server_->start();
    client_ = std::make_unique<BackendClient>(server_->origin(), *transport_);
    const auto pairing = client_->createPairing("sync-test-mac", "1.0.0");
    server_->household().confirmPairing(pairing.code);
    credentials_.saveDeviceToken(pairing.deviceToken);
    deviceId_ = pairing.deviceId;
}

SyncBackendHarness::~SyncBackendHarness() {
    // Closing the kept-alive connections first lets the server stop without waiting them out.
    client_.reset();
    transport_.reset();
    server_->stop();
}

std::vector<std::string> SyncBackendHarness::receivedGUIDs() {
    std::vector<std::string> guids;
    for (const auto& stored : server_->household().snapshot().messages) {
        guids.push_back(stored.message.guid);
    }
    return guids;
}

std::set<std::string> SyncBackendHarness::readGUIDs() {
    std::set<std::string> guids;
    for (const auto& read : server_->household().snapshot().reads) {
        guids.insert(read.guid);
    }
    return guids;
}

}  // namespace kindora::testing
