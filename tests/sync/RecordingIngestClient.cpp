#include "tests/sync/RecordingIngestClient.hpp"

#include <algorithm>

namespace kindora::testing {

RecordingIngestClient::RecordingIngestClient(IngestBackendClientProtocol& inner) : inner_(inner) {}

IngestResponse RecordingIngestClient::ingest(const std::string& token, const IngestRequest& batch,
                                             StopToken stop) {
    {
        std::lock_guard lock(mutex_);
        ++requests_;
        for (const auto& message : batch.messages) {
            ++sends_[message.guid];
        }
    }
    return inner_.ingest(token, batch, stop);
}

std::int64_t RecordingIngestClient::resentMessages() const {
    std::lock_guard lock(mutex_);
    return std::count_if(sends_.begin(), sends_.end(), [](const auto& entry) { return entry.second > 1; });
}

std::int64_t RecordingIngestClient::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

}  // namespace kindora::testing
