#pragma once

#include <map>
#include <mutex>
#include <variant>

#include "core/common/Defaults.hpp"

namespace kindora {

// Defaults kept in memory, for tests and for running the logic without the platform.
class InMemoryDefaults final : public Defaults {
public:
    std::optional<bool> boolValue(std::string_view key) const override;
    void setBool(std::string_view key, bool value) override;
    std::optional<std::string> stringValue(std::string_view key) const override;
    void setString(std::string_view key, std::string_view value) override;
    void remove(std::string_view key) override;

    bool contains(std::string_view key) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::variant<bool, std::string>, std::less<>> values_;
};

}  // namespace kindora
