#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/common/Date.hpp"

namespace kindora {

// User settings by key (reverse-DNS strings under "com.quillmere.kindora"). The application backs it
// with QSettings; tests use InMemoryDefaults. Dates are stored as the shared JSON date text, which
// reads back the same on every platform.
class Defaults {
public:
    virtual ~Defaults() = default;

    virtual std::optional<bool> boolValue(std::string_view key) const = 0;
    virtual void setBool(std::string_view key, bool value) = 0;
    virtual std::optional<std::string> stringValue(std::string_view key) const = 0;
    virtual void setString(std::string_view key, std::string_view value) = 0;
    virtual void remove(std::string_view key) = 0;

    // A date stored with setDate; nothing when absent or when the stored text is not a date.
    std::optional<Date> dateValue(std::string_view key) const;
    void setDate(std::string_view key, Date value);
};

}  // namespace kindora
