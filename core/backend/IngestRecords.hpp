#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/common/Date.hpp"
#include "core/common/JsonCoding.hpp"

namespace kindora {

// The records of the ingest endpoint. One request carries either a batch of new inbound messages or
// a batch of read reports; the response gives the backend's outcome per forwarded message and its
// read counts. Keys are the field names; absent optionals are left out when encoding.

enum class MessageServiceKind { imessage, sms };

// "imessage" or "sms".
std::string_view toWire(MessageServiceKind kind);
std::optional<MessageServiceKind> messageServiceKindFromWire(std::string_view wire);

// One new inbound message as forwarded. `text` holds at most 10000 characters (the sync engine cuts).
struct IngestMessage {
    std::string guid;
    MessageServiceKind service = MessageServiceKind::imessage;
    std::string senderHandle;
    std::optional<std::string> senderName;
    std::optional<std::string> text;
    std::optional<bool> textDecodeFailed;
    bool isGroup = false;
    std::optional<std::string> chatName;
    Date sentAt{};
    bool isRead = false;

    friend bool operator==(const IngestMessage&, const IngestMessage&) = default;
};

// A forwarded message that is now read.
struct IngestRead {
    std::string guid;

    friend bool operator==(const IngestRead&, const IngestRead&) = default;
};

// The body of a POST to "/api/ingest/messages". `messages` is always written (empty in a read
// report); `reads` only when present.
struct IngestRequest {
    std::optional<std::string> cursor;
    std::optional<std::string> agentVersion;
    std::vector<IngestMessage> messages;
    std::optional<std::vector<IngestRead>> reads;

    friend bool operator==(const IngestRequest&, const IngestRequest&) = default;
};

enum class IngestOutcomeKind { raised, noMatch, error };

// "raised", "no-match" or "error".
std::string_view toWire(IngestOutcomeKind kind);
std::optional<IngestOutcomeKind> ingestOutcomeKindFromWire(std::string_view wire);

struct IngestOutcome {
    std::string guid;
    IngestOutcomeKind outcome = IngestOutcomeKind::noMatch;

    friend bool operator==(const IngestOutcome&, const IngestOutcome&) = default;
};

// The answer to an ingest request. `outcomes` may be shorter than the batch; the counts missing from
// the JSON read as 0.
struct IngestResponse {
    std::vector<IngestOutcome> outcomes;
    std::int64_t accepted = 0;
    std::int64_t stale = 0;
    std::int64_t alreadyRead = 0;
    std::int64_t resolved = 0;

    friend bool operator==(const IngestResponse&, const IngestResponse&) = default;
};

nlohmann::ordered_json toJson(const IngestMessage& message);
nlohmann::ordered_json toJson(const IngestRead& read);
nlohmann::ordered_json toJson(const IngestRequest& request);
nlohmann::ordered_json toJson(const IngestOutcome& outcome);
nlohmann::ordered_json toJson(const IngestResponse& response);

template <>
IngestMessage fromJson<IngestMessage>(const nlohmann::json& json);
template <>
IngestRead fromJson<IngestRead>(const nlohmann::json& json);
template <>
IngestRequest fromJson<IngestRequest>(const nlohmann::json& json);
template <>
IngestOutcome fromJson<IngestOutcome>(const nlohmann::json& json);
template <>
IngestResponse fromJson<IngestResponse>(const nlohmann::json& json);

}  // namespace kindora
