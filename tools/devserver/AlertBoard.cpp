#include "tools/devserver/AlertBoard.hpp"

#include <algorithm>

#include "tools/devserver/ApiError.hpp"

namespace kindora::devserver {

const StoredAlert& AlertBoard::add(Interrupt interrupt, std::optional<std::string> sourceGuid) {
    if (std::any_of(alerts_.begin(), alerts_.end(),
                    [&](const StoredAlert& alert) { return alert.interrupt.id == interrupt.id; })) {
        throw ApiError(409, "An alert with id " + interrupt.id.text() + " exists already");
    }
    alerts_.push_back(StoredAlert{std::move(interrupt), AlertState::open, std::move(sourceGuid), {}, {}});
    return alerts_.back();
}

bool AlertBoard::remove(const Uuid& id) {
    return std::erase_if(alerts_, [&](const StoredAlert& alert) { return alert.interrupt.id == id; }) > 0;
}

InterruptsResponse AlertBoard::open(std::size_t pageSize) const {
    std::vector<const StoredAlert*> open;
    for (const StoredAlert& alert : alerts_) {
        if (alert.state == AlertState::open) {
            open.push_back(&alert);
        }
    }
    std::stable_sort(open.begin(), open.end(), [](const StoredAlert* a, const StoredAlert* b) {
        return a->interrupt.raisedAt < b->interrupt.raisedAt;
    });
    InterruptsResponse response;
    response.truncated = open.size() > pageSize;
    for (std::size_t i = 0; i < open.size() && i < pageSize; ++i) {
        response.interrupts.push_back(open[i]->interrupt);
    }
    return response;
}

StoredAlert& AlertBoard::find(const std::string& idText) {
    const auto id = Uuid::parse(idText);
    const auto found = std::find_if(alerts_.begin(), alerts_.end(), [&](const StoredAlert& alert) {
        return id && alert.interrupt.id == *id;
    });
    if (found == alerts_.end()) {
        throw ApiError::notFound("Unknown alert");
    }
    return *found;
}

AlertActionResponse AlertBoard::acknowledge(const std::string& idText, const std::string& deviceId,
                                            Date now) {
    StoredAlert& alert = find(idText);
    if (alert.state == AlertState::open) {
        if (alert.interrupt.requiresResolution) {
            throw ApiError(409, "This alert must be resolved, not acknowledged.", "requires-resolution");
        }
        alert.state = AlertState::acknowledged;
        alert.handledByDeviceId = deviceId;
        alert.handledAt = now;
    }
    return AlertActionResponse{alert.interrupt.id, toString(alert.state)};
}

AlertActionResponse AlertBoard::resolve(const std::string& idText, const std::string& deviceId, Date now) {
    StoredAlert& alert = find(idText);
    if (alert.state != AlertState::resolved) {
        if (!alert.interrupt.canResolve) {
            throw ApiError(403, "You don't have permission to resolve this alert.", "forbidden");
        }
        alert.state = AlertState::resolved;
        alert.handledByDeviceId = deviceId;
        alert.handledAt = now;
    }
    return AlertActionResponse{alert.interrupt.id, toString(alert.state)};
}

std::int64_t AlertBoard::resolveRaisedBy(const std::string& guid, Date now) {
    std::int64_t resolved = 0;
    for (StoredAlert& alert : alerts_) {
        if (alert.sourceGuid == guid && alert.state != AlertState::resolved) {
            alert.state = AlertState::resolved;
            alert.handledAt = now;
            ++resolved;
        }
    }
    return resolved;
}

}  // namespace kindora::devserver
