#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/backend/IngestRecords.hpp"
#include "core/backend/InterruptRecords.hpp"
#include "core/common/Date.hpp"

namespace kindora::devserver {

// The records the household keeps: its devices, the messages and reads it received, and its alerts
// with what became of them. Plain values, compared field by field.

enum class DeviceState { pending, active, revoked };

const char* toString(DeviceState state);
std::optional<DeviceState> deviceStateFromString(std::string_view text);

// A computer paired (or pairing) with the household. Only the SHA-256 of its token is kept.
struct Device {
    std::string id;
    std::string tokenDigest;
    std::string name;
    std::string platform;
    std::optional<std::string> agentVersion;
    DeviceState state = DeviceState::pending;
    std::string code;
    Date createdAt{};
    Date codeExpiresAt{};
    std::optional<Date> confirmedAt;
    std::optional<Date> revokedAt;
    std::optional<Date> lastSeenAt;
    // The sync watermark the last heartbeat reported.
    std::optional<std::string> cursor;
    // Command types waiting for the device's next heartbeat.
    std::vector<std::string> queuedCommands;

    friend bool operator==(const Device&, const Device&) = default;
};

// A message the household received, with the outcome it was answered.
struct StoredMessage {
    std::string deviceId;
    IngestMessage message;
    IngestOutcomeKind outcome = IngestOutcomeKind::noMatch;
    bool stale = false;
    Date receivedAt{};
    std::optional<Date> readAt;

    friend bool operator==(const StoredMessage&, const StoredMessage&) = default;
};

enum class ReadResult { markedRead, alreadyRead, unknownMessage };

const char* toString(ReadResult result);
std::optional<ReadResult> readResultFromString(std::string_view text);

// One read report element as received.
struct StoredRead {
    std::string deviceId;
    std::string guid;
    Date receivedAt{};
    ReadResult result = ReadResult::markedRead;

    friend bool operator==(const StoredRead&, const StoredRead&) = default;
};

enum class AlertState { open, acknowledged, resolved };

const char* toString(AlertState state);
std::optional<AlertState> alertStateFromString(std::string_view text);

// A household alert and what became of it. `sourceGuid` is the message that raised it, if any; a read
// of that message resolves it.
struct StoredAlert {
    Interrupt interrupt;
    AlertState state = AlertState::open;
    std::optional<std::string> sourceGuid;
    std::optional<std::string> handledByDeviceId;
    std::optional<Date> handledAt;

    friend bool operator==(const StoredAlert&, const StoredAlert&) = default;
};

}  // namespace kindora::devserver
