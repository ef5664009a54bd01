#pragma once

#include <utility>

#include "core/common/UserText.hpp"

namespace kindora {

// How well the running agent is doing, as shown in the menu bar: healthy, or degraded with the
// reason the user reads.
class Health {
public:
    enum class Kind { degraded, healthy };

    static Health healthy() { return Health(Kind::healthy, UserText::verbatim({})); }
    static Health degraded(UserText reason) { return Health(Kind::degraded, std::move(reason)); }

    Kind kind() const { return kind_; }
    bool isHealthy() const { return kind_ == Kind::healthy; }
    // Why it is degraded, for the user; an empty text when healthy.
    const UserText& reason() const { return reason_; }

    friend bool operator==(const Health&, const Health&) = default;

private:
    Health(Kind kind, UserText reason) : kind_(kind), reason_(std::move(reason)) {}

    Kind kind_;
    UserText reason_;
};

}  // namespace kindora
