#pragma once

#include "core/interrupts/DoNotDisturbStore.hpp"

namespace kindora {

// A do-not-disturb store kept in memory, for tests and for running the logic without the platform.
class InMemoryDoNotDisturbStore final : public DoNotDisturbStore {
public:
    explicit InMemoryDoNotDisturbStore(std::optional<Date> until = std::nullopt) : until_(until) {}

    std::optional<Date> loadUntil() const override { return until_; }
    void saveUntil(std::optional<Date> until) override { until_ = until; }

private:
    std::optional<Date> until_;
};

}  // namespace kindora
