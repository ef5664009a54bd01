#include "tools/devserver/DeviceRegistry.hpp"

#include <algorithm>
#include <cctype>

#include "tools/devserver/ApiError.hpp"
#include "tools/devserver/TokenDigest.hpp"

namespace kindora::devserver {

std::string normalizedPairingCode(const std::string& code) {
    std::string letters;
    for (const char c : code) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            letters += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return letters;
}

DeviceRegistry::DeviceRegistry(IdentityGenerator& identities, PairingPolicy policy)
    : identities_(identities), policy_(policy) {}

bool DeviceRegistry::isExpired(const Device& device, Date now) const {
    return device.state == DeviceState::pending && now >= device.codeExpiresAt;
}

void DeviceRegistry::settle(Device& device, Date now) const {
    if (device.state != DeviceState::pending || !policy_.autoConfirmSeconds || isExpired(device, now)) {
        return;
    }
    const Date due = device.createdAt + Seconds(*policy_.autoConfirmSeconds);
    if (now >= due) {
        device.state = DeviceState::active;
        device.confirmedAt = due;
    }
}

PairingCreateResponse DeviceRegistry::createPairing(const PairingCreateRequest& request, Date now) {
    if (request.deviceName.empty()) {
        throw ApiError::badRequest("deviceName must not be empty");
    }
    // A code names one pending pairing at a time.
    std::string code;
    do {
        code = identities_.pairingCode();
    } while (std::any_of(devices_.begin(), devices_.end(), [&](Device& other) {
        settle(other, now);
        return other.state == DeviceState::pending && !isExpired(other, now) &&
               normalizedPairingCode(other.code) == normalizedPairingCode(code);
    }));

    const std::string token = identities_.deviceToken();
    Device device;
    device.id = identities_.deviceId();
    device.tokenDigest = TokenDigest::of(token);
    device.name = request.deviceName;
    device.platform = request.platform;
    device.agentVersion = request.agentVersion;
    device.code = code;
    device.createdAt = now;
    device.codeExpiresAt = now + Seconds(policy_.codeLifetimeSeconds);
    devices_.push_back(device);

    return PairingCreateResponse{device.id, token, code, device.codeExpiresAt, policy_.pollIntervalSeconds};
}

Device* DeviceRegistry::findByToken(const std::string& token) {
    if (token.empty()) {
        return nullptr;
    }
    const std::string digest = TokenDigest::of(token);
    const auto found = std::find_if(devices_.begin(), devices_.end(),
                                    [&](const Device& device) { return device.tokenDigest == digest; });
    return found == devices_.end() ? nullptr : &*found;
}

PairingStatusValue DeviceRegistry::pairingStatus(const std::string& token, Date now) {
    Device* device = findByToken(token);
    if (device == nullptr) {
        throw ApiError(401, "Unknown device token");
    }
    settle(*device, now);
    switch (device->state) {
        case DeviceState::active:
            return PairingStatusValue::active;
        case DeviceState::revoked:
            return PairingStatusValue::revoked;
        case DeviceState::pending:
            break;
    }
    return isExpired(*device, now) ? PairingStatusValue::expired : PairingStatusValue::pending;
}

Device& DeviceRegistry::authenticate(const std::string& token, Date now) {
    if (token.empty()) {
        throw ApiError(401, "Missing bearer token");
    }
    Device* device = findByToken(token);
    if (device == nullptr) {
        throw ApiError(401, "Unknown device token");
    }
    settle(*device, now);
    switch (device->state) {
        case DeviceState::revoked:
            throw ApiError(401, "This device has been revoked.", std::nullopt, "revoked");
        case DeviceState::pending:
            throw ApiError(403, isExpired(*device, now) ? "The pairing code expired before it was confirmed."
                                                        : "Pairing has not been confirmed yet.");
        case DeviceState::active:
            break;
    }
    device->lastSeenAt = now;
    return *device;
}

const Device& DeviceRegistry::confirm(const std::string& code, Date now) {
    const std::string wanted = normalizedPairingCode(code);
    // The newest pairing with this code is the one a person is looking at.
    const auto found = std::find_if(devices_.rbegin(), devices_.rend(), [&](const Device& device) {
        return !wanted.empty() && normalizedPairingCode(device.code) == wanted;
    });
    if (found == devices_.rend()) {
        throw ApiError::notFound("Unknown pairing code");
    }
    Device& device = *found;
    settle(device, now);
    if (device.state != DeviceState::pending) {
        throw ApiError(409, "Pairing code already used");
    }
    if (isExpired(device, now)) {
        throw ApiError(410, "Pairing code expired");
    }
    device.state = DeviceState::active;
    device.confirmedAt = now;
    return device;
}

const Device& DeviceRegistry::revoke(const std::string& deviceId, Date now) {
    const auto found = std::find_if(devices_.begin(), devices_.end(),
                                    [&](const Device& device) { return device.id == deviceId; });
    if (found == devices_.end()) {
        throw ApiError::notFound("Unknown device");
    }
    if (found->state != DeviceState::revoked) {
        found->state = DeviceState::revoked;
        found->revokedAt = now;
        found->queuedCommands.clear();
    }
    return *found;
}

void DeviceRegistry::queueCommand(const std::optional<std::string>& deviceId, const std::string& type) {
    bool queued = false;
    for (Device& device : devices_) {
        if (deviceId ? device.id == *deviceId : device.state != DeviceState::revoked) {
            device.queuedCommands.push_back(type);
            queued = true;
        }
    }
    if (deviceId && !queued) {
        throw ApiError::notFound("Unknown device");
    }
}

std::vector<AgentCommand> DeviceRegistry::takeCommands(Device& device) {
    std::vector<AgentCommand> commands;
    for (std::string& type : device.queuedCommands) {
        commands.push_back(AgentCommand::unknown(std::move(type)));
    }
    device.queuedCommands.clear();
    return commands;
}

std::vector<Device> DeviceRegistry::devices(Date now) {
    for (Device& device : devices_) {
        settle(device, now);
    }
    return devices_;
}

}  // namespace kindora::devserver
