#include "tests/sync/FakeIngestClient.hpp"

#include <utility>

namespace kindora::testing {

IngestResponse FakeIngestClient::ingest(const std::string& token, const IngestRequest& batch,
                                        StopToken) {
    Responder responder;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(batch);
        tokens_.push_back(token);
        responder = responder_;
    }
    return responder(batch);
}

void FakeIngestClient::setResponder(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

void FakeIngestClient::setOutcomes(std::function<IngestOutcomeKind(const std::string& guid)> outcomeFor) {
    setResponder([outcomeFor = std::move(outcomeFor)](const IngestRequest& request) {
        IngestResponse response;
        for (const auto& message : request.messages) {
            response.outcomes.push_back({message.guid, outcomeFor(message.guid)});
        }
        response.accepted = static_cast<std::int64_t>(request.messages.size());
        return response;
    });
}

std::vector<IngestRequest> FakeIngestClient::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<IngestRequest> FakeIngestClient::messageBatches() const {
    std::vector<IngestRequest> batches;
    for (auto& request : requests()) {
        if (!request.reads) {
            batches.push_back(std::move(request));
        }
    }
    return batches;
}

std::vector<IngestRequest> FakeIngestClient::readReports() const {
    std::vector<IngestRequest> reports;
    for (auto& request : requests()) {
        if (request.reads) {
            reports.push_back(std::move(request));
        }
    }
    return reports;
}

std::vector<std::string> FakeIngestClient::tokens() const {
    std::lock_guard lock(mutex_);
    return tokens_;
}

void FakeIngestClient::clear() {
    std::lock_guard lock(mutex_);
    requests_.clear();
    tokens_.clear();
}

IngestResponse FakeIngestClient::allNoMatch(const IngestRequest& request) {
    IngestResponse response;
    for (const auto& message : request.messages) {
        response.outcomes.push_back({message.guid, IngestOutcomeKind::noMatch});
    }
    response.accepted = static_cast<std::int64_t>(request.messages.size());
    return response;
}

}  // namespace kindora::testing
