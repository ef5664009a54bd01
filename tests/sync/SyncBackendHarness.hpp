#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/backend/BackendClient.hpp"
#include "core/backend/CurlTransport.hpp"
#include "core/credentials/InMemoryCredentialStore.hpp"
#include "tools/devserver/DevServer.hpp"

namespace kindora::testing {

// A running devserver, the agent's real backend client over libcurl, and a device paired with it
// whose token sits in an in-memory credential store.
class SyncBackendHarness {
public:
    explicit SyncBackendHarness(CurlTransport::Options transportOptions = {});
    ~SyncBackendHarness();

    devserver::DevServer& server() { return *server_; }
    BackendClient& client() { return *client_; }
    InMemoryCredentialStore& credentials() { return credentials_; }
    const std::string& deviceId() const { return deviceId_; }

    // GUIDs of every message the household holds, and of every read it was told about.
    std::vector<std::string> receivedGUIDs();
    std::set<std::string> readGUIDs();

private:
    std::unique_ptr<devserver::DevServer> server_;
    std::unique_ptr<CurlTransport> transport_;
    std::unique_ptr<BackendClient> client_;
    InMemoryCredentialStore credentials_;
    std::string deviceId_;
};

}  // namespace kindora::testing
