#include "tests/sync/RecordingIngestClient.hpp"

#include <algorithm>
#include <cctype>

#include "core/backend/BackendError.hpp"

namespace kindora::testing {

RecordingIngestClient::RecordingIngestClient(IngestBackendClientProtocol& inner,
                                             std::function<std::set<std::string>()> heldGUIDs)
    : inner_(inner), heldGUIDs_(std::move(heldGUIDs)) {}

IngestResponse RecordingIngestClient::ingest(const std::string& token, const IngestRequest& batch,
                                             StopToken stop) {
    {
        std::lock_guard lock(mutex_);
        ++requests_;
        if (previousFailed_ && !batch.messages.empty()) {
            const auto held = heldGUIDs_();
            duplicateSends_ +=
                std::count_if(batch.messages.begin(), batch.messages.end(),
                              [&held](const IngestMessage& message) { return held.contains(message.guid); });
        }
    }
    try {
        IngestResponse response = inner_.ingest(token, batch, stop);
        std::lock_guard lock(mutex_);
        previousFailed_ = false;
        if (!batch.messages.empty()) {
            duplicateHead_.reset();
            duplicateCount_ = 0;
        }
        return response;
    } catch (const BackendError& error) {
        std::lock_guard lock(mutex_);
        previousFailed_ = true;
        if (error.kind() == BackendError::Kind::http && error.status() == 400 && !batch.messages.empty()) {
            recordRejection(batch, error.bodyMessage());
        }
        throw;
    }
}

void RecordingIngestClient::recordRejection(const IngestRequest& batch,
                                            const std::optional<std::string>& bodyMessage) {
    std::string lowered = bodyMessage.value_or("");
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    bool drop = true;
    if (lowered.find("duplicate") != std::string::npos) {
        const std::string& head = batch.messages.front().guid;
        if (duplicateHead_ != head) {
            duplicateHead_ = head;
            duplicateCount_ = 0;
        }
        drop = ++duplicateCount_ >= 3;
        if (drop) {
            duplicateHead_.reset();
            duplicateCount_ = 0;
        }
    }
    if (drop) {
        ++droppedBatches_;
        for (const auto& message : batch.messages) {
            dropped_.insert(message.guid);
        }
    }
}

void RecordingIngestClient::engineRecreated() {
    std::lock_guard lock(mutex_);
    duplicateHead_.reset();
    duplicateCount_ = 0;
}

std::set<std::string> RecordingIngestClient::droppedGUIDs() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

std::int64_t RecordingIngestClient::droppedBatches() const {
    std::lock_guard lock(mutex_);
    return droppedBatches_;
}

std::int64_t RecordingIngestClient::duplicateSends() const {
    std::lock_guard lock(mutex_);
    return duplicateSends_;
}

std::int64_t RecordingIngestClient::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

}  // namespace kindora::testing
