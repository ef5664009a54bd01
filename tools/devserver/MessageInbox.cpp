#include "tools/devserver/MessageInbox.hpp"

#include <algorithm>
#include <cctype>
#include <set>

#include "tools/devserver/ApiError.hpp"

namespace kindora::devserver {
namespace {

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

}  // namespace

IngestOutcomeKind MessageInbox::judge(const IngestMessage& message, const HouseholdRules& rules, Date now,
                                      const KeywordRule** matched, bool* stale) const {
    if (rules.errorGuids.contains(message.guid)) {
        return IngestOutcomeKind::error;
    }
    if (rules.staleAfterSeconds && secondsBetween(message.sentAt, now) > *rules.staleAfterSeconds) {
        *stale = true;
        return IngestOutcomeKind::noMatch;
    }
    if (message.text) {
        const std::string text = lowerCase(*message.text);
        for (const KeywordRule& rule : rules.keywords) {
            if (!rule.keyword.empty() && text.find(lowerCase(rule.keyword)) != std::string::npos) {
                *matched = &rule;
                return IngestOutcomeKind::raised;
            }
        }
    }
    return IngestOutcomeKind::noMatch;
}

IngestResult MessageInbox::ingest(const std::string& deviceId, const IngestRequest& request,
                                  const HouseholdRules& rules, Date now) {
    // Checked before anything is kept, so a refused batch leaves no trace.
    std::set<std::string_view> inBatch;
    for (const IngestMessage& message : request.messages) {
        if (message.guid.empty()) {
            throw ApiError::badRequest("A message has an empty guid");
        }
        if (!inBatch.insert(message.guid).second) {
            throw ApiError::badRequest("duplicate message guid " + message.guid + " within the batch");
        }
        if (rules.rejectDuplicates && indexByGuid_.contains(message.guid)) {
            throw ApiError::badRequest("duplicate message guid " + message.guid);
        }
    }
    if (request.reads) {
        for (const IngestRead& read : *request.reads) {
            if (read.guid.empty()) {
                throw ApiError::badRequest("A read has an empty guid");
            }
        }
    }

    IngestResult result;
    for (const IngestMessage& message : request.messages) {
        if (const auto known = indexByGuid_.find(message.guid); known != indexByGuid_.end()) {
            result.response.outcomes.push_back({message.guid, messages_[known->second].outcome});
            continue;
        }
        const KeywordRule* matched = nullptr;
        bool stale = false;
        const IngestOutcomeKind outcome = judge(message, rules, now, &matched, &stale);
        result.response.outcomes.push_back({message.guid, outcome});
        if (outcome == IngestOutcomeKind::error) {
            break;
        }
        StoredMessage stored{deviceId, message, outcome, stale, now, std::nullopt};
        if (message.isRead) {
            stored.readAt = now;
        }
        indexByGuid_.emplace(message.guid, messages_.size());
        messages_.push_back(stored);
        ++result.response.accepted;
        if (stale) {
            ++result.response.stale;
        }
        if (matched != nullptr) {
            result.raised.emplace_back(std::move(stored), *matched);
        }
    }

    if (request.reads) {
        for (const IngestRead& read : *request.reads) {
            ReadResult readResult = ReadResult::unknownMessage;
            if (const auto known = indexByGuid_.find(read.guid); known != indexByGuid_.end()) {
                StoredMessage& message = messages_[known->second];
                if (message.readAt) {
                    readResult = ReadResult::alreadyRead;
                    ++result.response.alreadyRead;
                } else {
                    readResult = ReadResult::markedRead;
                    message.readAt = now;
                    result.newlyRead.push_back(read.guid);
                }
            }
            reads_.push_back({deviceId, read.guid, now, readResult});
        }
    }
    return result;
}

void MessageInbox::restore(std::vector<StoredMessage> messages, std::vector<StoredRead> reads) {
    messages_ = std::move(messages);
    reads_ = std::move(reads);
    indexByGuid_.clear();
    for (std::size_t i = 0; i < messages_.size(); ++i) {
        indexByGuid_.emplace(messages_[i].message.guid, i);
    }
}

}  // namespace kindora::devserver
