#include "tools/devserver/Household.hpp"

#include "tools/devserver/ApiError.hpp"

namespace kindora::devserver {

Household::Household(SyncClock clock, IdentityGenerator& identities, PairingPolicy policy)
    : clock_(std::move(clock)), devices_(identities, policy) {}

std::string Household::authenticate(const std::string& token) {
    std::lock_guard lock(mutex_);
    return devices_.authenticate(token, clock_.now()).id;
}

PairingCreateResponse Household::createPairing(const PairingCreateRequest& request) {
    std::lock_guard lock(mutex_);
    PairingCreateResponse response = devices_.createPairing(request, clock_.now());
    changed();
    return response;
}

PairingStatusResponse Household::pairingStatus(const std::string& token) {
    std::lock_guard lock(mutex_);
    return PairingStatusResponse{devices_.pairingStatus(token, clock_.now())};
}

HeartbeatResponse Household::heartbeat(const std::string& token, const HeartbeatRequest& request) {
    std::lock_guard lock(mutex_);
    Device& device = devices_.authenticate(token, clock_.now());
    if (request.cursor) {
        device.cursor = request.cursor;
    }
    if (request.agentVersion) {
        device.agentVersion = request.agentVersion;
    }
    changed();
    return HeartbeatResponse{"ok", devices_.takeCommands(device)};
}

IngestResponse Household::ingest(const std::string& token, const IngestRequest& request) {
    std::lock_guard lock(mutex_);
    const Date now = clock_.now();
    const Device& device = devices_.authenticate(token, now);
    IngestResult result = inbox_.ingest(device.id, request, rules_, now);
    for (const auto& [message, rule] : result.raised) {
        Interrupt interrupt;
        interrupt.id = Uuid::random();
        interrupt.title = rule.title.empty() ? "Message from " + message.message.senderHandle : rule.title;
        // The alert names who wrote and which rule matched, never what was written.
        interrupt.body =
            "A message from " + message.message.senderHandle + " matched \"" + rule.keyword + "\".";
        interrupt.urgency = rule.urgency;
        interrupt.source = "messages";
        interrupt.raisedAt = now;
        interrupt.requiresResolution = rule.requiresResolution;
        interrupt.canResolve = rule.canResolve;
        interrupt.groupKey = rule.groupKey;
        alerts_.add(std::move(interrupt), message.message.guid);
    }
    for (const std::string& guid : result.newlyRead) {
        result.response.resolved += alerts_.resolveRaisedBy(guid, now);
    }
    changed();
    return result.response;
}

InterruptsResponse Household::interrupts(const std::string& token) {
    std::lock_guard lock(mutex_);
    devices_.authenticate(token, clock_.now());
    return alerts_.open(rules_.interruptPageSize);
}

AlertActionResponse Household::ackAlert(const std::string& token, const std::string& alertId) {
    std::lock_guard lock(mutex_);
    const Date now = clock_.now();
    const Device& device = devices_.authenticate(token, now);
    AlertActionResponse response = alerts_.acknowledge(alertId, device.id, now);
    changed();
    return response;
}

AlertActionResponse Household::resolveAlert(const std::string& token, const std::string& alertId) {
    std::lock_guard lock(mutex_);
    const Date now = clock_.now();
    const Device& device = devices_.authenticate(token, now);
    AlertActionResponse response = alerts_.resolve(alertId, device.id, now);
    changed();
    return response;
}

MeetingsResponse Household::meetings(const std::string& token) {
    std::lock_guard lock(mutex_);
    devices_.authenticate(token, clock_.now());
    return calendar_.upcoming();
}

Device Household::confirmPairing(const std::string& code) {
    std::lock_guard lock(mutex_);
    Device device = devices_.confirm(code, clock_.now());
    changed();
    return device;
}

Device Household::revokeDevice(const std::string& deviceId) {
    std::lock_guard lock(mutex_);
    Device device = devices_.revoke(deviceId, clock_.now());
    changed();
    return device;
}

void Household::queueCommand(const std::optional<std::string>& deviceId, const std::string& type) {
    std::lock_guard lock(mutex_);
    devices_.queueCommand(deviceId, type);
    changed();
}

StoredAlert Household::addInterrupt(Interrupt interrupt) {
    std::lock_guard lock(mutex_);
    StoredAlert alert = alerts_.add(std::move(interrupt));
    changed();
    return alert;
}

bool Household::removeInterrupt(const Uuid& id) {
    std::lock_guard lock(mutex_);
    const bool removed = alerts_.remove(id);
    if (removed) {
        changed();
    }
    return removed;
}

Meeting Household::addMeeting(Meeting meeting) {
    std::lock_guard lock(mutex_);
    Meeting added = calendar_.add(std::move(meeting));
    changed();
    return added;
}

bool Household::removeMeeting(const std::string& id) {
    std::lock_guard lock(mutex_);
    const bool removed = calendar_.remove(id);
    if (removed) {
        changed();
    }
    return removed;
}

HouseholdRules Household::rules() const {
    std::lock_guard lock(mutex_);
    return rules_;
}

void Household::setRules(HouseholdRules rules) {
    std::lock_guard lock(mutex_);
    rules_ = std::move(rules);
    changed();
}

void Household::reset() {
    std::lock_guard lock(mutex_);
    devices_.restore({});
    inbox_.restore({}, {});
    alerts_.restore({});
    calendar_.restore({});
    rules_ = HouseholdRules{};
    changed();
}

HouseholdSnapshot Household::snapshot() {
    std::lock_guard lock(mutex_);
    return HouseholdSnapshot{devices_.devices(clock_.now()),
                             inbox_.messages(),
                             inbox_.reads(),
                             alerts_.alerts(),
                             calendar_.meetings(),
                             rules_};
}

void Household::restore(HouseholdSnapshot snapshot) {
    std::lock_guard lock(mutex_);
    devices_.restore(std::move(snapshot.devices));
    inbox_.restore(std::move(snapshot.messages), std::move(snapshot.reads));
    alerts_.restore(std::move(snapshot.alerts));
    calendar_.restore(std::move(snapshot.meetings));
    rules_ = std::move(snapshot.rules);
    changed();
}

std::uint64_t Household::version() const {
    std::lock_guard lock(mutex_);
    return version_;
}

}  // namespace kindora::devserver
