#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/backend/InterruptRecords.hpp"
#include "core/common/Date.hpp"
#include "tools/devserver/HouseholdRecords.hpp"

namespace kindora::devserver {

// The household's alerts: the open ones the agents poll, and the acknowledge and resolve actions with
// the refusals the agent must understand. Not thread-safe; the Household guards it.
class AlertBoard {
public:
    // Throws ApiError 409 when an alert with this id exists already.
    const StoredAlert& add(Interrupt interrupt, std::optional<std::string> sourceGuid = std::nullopt);
    // False when no alert has this id.
    bool remove(const Uuid& id);

    // Open alerts, oldest first, at most `pageSize` of them.
    InterruptsResponse open(std::size_t pageSize) const;

    // Throws ApiError 404 for an unknown (or malformed) id, 409 with code "requires-resolution" for an
    // open alert that must be resolved instead.
    AlertActionResponse acknowledge(const std::string& idText, const std::string& deviceId, Date now);
    // Throws ApiError 404 for an unknown id, 403 with code "forbidden" when the alert may not be
    // resolved from this device.
    AlertActionResponse resolve(const std::string& idText, const std::string& deviceId, Date now);
    // Resolves the open alerts raised by this message; returns how many.
    std::int64_t resolveRaisedBy(const std::string& guid, Date now);

    const std::vector<StoredAlert>& alerts() const { return alerts_; }
    void restore(std::vector<StoredAlert> alerts) { alerts_ = std::move(alerts); }

private:
    StoredAlert& find(const std::string& idText);

    std::vector<StoredAlert> alerts_;
};

}  // namespace kindora::devserver
