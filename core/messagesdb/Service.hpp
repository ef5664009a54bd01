#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kindora {

// The service a message travelled over, from the `service` column.
struct Service {
    enum class Kind { imessage, sms, other };

    Kind kind = Kind::other;
    // The service text carried by `other` (empty when the column was NULL); empty for imessage and sms.
    std::string name;

    static Service imessage() { return {Kind::imessage, {}}; }
    static Service sms() { return {Kind::sms, {}}; }
    static Service other(std::string name) { return {Kind::other, std::move(name)}; }

    // "iMessage" and "SMS" exactly (case-sensitive) give their kinds; anything else is `other`.
    static Service fromColumn(const std::optional<std::string>& text);

    friend bool operator==(const Service&, const Service&) = default;
};

}  // namespace kindora
