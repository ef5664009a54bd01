#pragma once

#include <string>
#include <utility>

namespace kindora {

// How well the running agent is doing, as shown in the menu bar: healthy, or degraded with the
// reason the user reads.
class Health {
public:
    enum class Kind { degraded, healthy };

    static Health healthy() { return Health(Kind::healthy, {}); }
    static Health degraded(std::string reason) { return Health(Kind::degraded, std::move(reason)); }

    Kind kind() const { return kind_; }
    bool isHealthy() const { return kind_ == Kind::healthy; }
    // The text shown to the user; empty when healthy.
    const std::string& reason() const { return reason_; }

    friend bool operator==(const Health&, const Health&) = default;

private:
    Health(Kind kind, std::string reason) : kind_(kind), reason_(std::move(reason)) {}

    Kind kind_;
    std::string reason_;
};

}  // namespace kindora
