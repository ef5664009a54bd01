#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "core/backend/HeartbeatRecords.hpp"
#include "core/backend/IngestRecords.hpp"
#include "core/backend/InterruptRecords.hpp"
#include "core/backend/MeetingRecords.hpp"
#include "core/backend/PairingRecords.hpp"
#include "core/common/SyncClock.hpp"
#include "tools/devserver/AlertBoard.hpp"
#include "tools/devserver/DeviceRegistry.hpp"
#include "tools/devserver/HouseholdSnapshot.hpp"
#include "tools/devserver/IdentityGenerator.hpp"
#include "tools/devserver/MeetingCalendar.hpp"
#include "tools/devserver/MessageInbox.hpp"

namespace kindora::devserver {

// The household the devserver plays: its devices, the messages and reads it received, its alerts,
// meetings and rules. The agent operations take the bearer token and answer the wire records; the
// admin operations change the household directly. Every refusal is an ApiError. Thread-safe: one
// mutex guards the whole household, as the HTTP server calls in from a pool of threads.
class Household {
public:
    Household(SyncClock clock, IdentityGenerator& identities, PairingPolicy policy);

    // The id of the active device holding `token`; throws the ApiError the agent gets otherwise
    // (401, 401 "revoked", 403). Endpoints with a body check this before decoding it.
    std::string authenticate(const std::string& token);

    // The agent's endpoints.
    PairingCreateResponse createPairing(const PairingCreateRequest& request);
    PairingStatusResponse pairingStatus(const std::string& token);
    HeartbeatResponse heartbeat(const std::string& token, const HeartbeatRequest& request);
    IngestResponse ingest(const std::string& token, const IngestRequest& request);
    InterruptsResponse interrupts(const std::string& token);
    AlertActionResponse ackAlert(const std::string& token, const std::string& alertId);
    AlertActionResponse resolveAlert(const std::string& token, const std::string& alertId);
    MeetingsResponse meetings(const std::string& token);

    // The admin side.
    Device confirmPairing(const std::string& code);
    Device revokeDevice(const std::string& deviceId);
    void queueCommand(const std::optional<std::string>& deviceId, const std::string& type);
    StoredAlert addInterrupt(Interrupt interrupt);
    bool removeInterrupt(const Uuid& id);
    Meeting addMeeting(Meeting meeting);
    bool removeMeeting(const std::string& id);
    HouseholdRules rules() const;
    void setRules(HouseholdRules rules);
    // Forgets everything: devices, messages, reads, alerts, meetings; the rules go back to defaults.
    void reset();

    HouseholdSnapshot snapshot();
    void restore(HouseholdSnapshot snapshot);
    // Grows with every change worth keeping; the state file is rewritten when it moved.
    std::uint64_t version() const;
    Date now() const { return clock_.now(); }

private:
    void changed() { ++version_; }

    SyncClock clock_;
    mutable std::mutex mutex_;
    DeviceRegistry devices_;
    MessageInbox inbox_;
    AlertBoard alerts_;
    MeetingCalendar calendar_;
    HouseholdRules rules_;
    std::uint64_t version_ = 0;
};

}  // namespace kindora::devserver
