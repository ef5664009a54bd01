#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/backend/HeartbeatRecords.hpp"
#include "core/backend/PairingRecords.hpp"
#include "core/common/Date.hpp"
#include "tools/devserver/HouseholdRecords.hpp"
#include "tools/devserver/IdentityGenerator.hpp"

namespace kindora::devserver {

struct PairingPolicy {
    double codeLifetimeSeconds = 600;
    std::int64_t pollIntervalSeconds = 2;
    // When set, a pending pairing confirms itself this many seconds after it was created (demo mode).
    std::optional<double> autoConfirmSeconds;
};

// The household's devices: pairing codes, tokens and their states, and the commands queued for
// them. Not thread-safe; the Household guards it.
class DeviceRegistry {
public:
    DeviceRegistry(IdentityGenerator& identities, PairingPolicy policy);

    PairingCreateResponse createPairing(const PairingCreateRequest& request, Date now);
    // The pairing's state for a device token of any state. Throws ApiError 401 for an unknown token.
    PairingStatusValue pairingStatus(const std::string& token, Date now);
    // The active device holding `token`. Throws ApiError: 401 for a missing or unknown token, 401 with
    // status "revoked" for a revoked device, 403 for a pairing not (or no longer) confirmable.
    Device& authenticate(const std::string& token, Date now);

    // Confirms the pending pairing with this code (any letter case, hyphen optional). Throws ApiError
    // 404 for an unknown code, 410 for an expired one, 409 for one already used.
    const Device& confirm(const std::string& code, Date now);
    // Throws ApiError 404 for an unknown id.
    const Device& revoke(const std::string& deviceId, Date now);
    // Queues a command for one device, or for every device not revoked when `deviceId` is absent.
    // Throws ApiError 404 for an unknown id.
    void queueCommand(const std::optional<std::string>& deviceId, const std::string& type);
    std::vector<AgentCommand> takeCommands(Device& device);

    std::vector<Device> devices(Date now);
    void restore(std::vector<Device> devices) { devices_ = std::move(devices); }
    const std::vector<Device>& stored() const { return devices_; }

private:
    Device* findByToken(const std::string& token);
    void settle(Device& device, Date now) const;
    bool isExpired(const Device& device, Date now) const;

    IdentityGenerator& identities_;
    PairingPolicy policy_;
    std::vector<Device> devices_;
};

// "ABC-234", "abc234" and " abc-234 " name the same code.
std::string normalizedPairingCode(const std::string& code);

}  // namespace kindora::devserver
