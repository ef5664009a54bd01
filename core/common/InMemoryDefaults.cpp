#include "core/common/InMemoryDefaults.hpp"

namespace kindora {

std::optional<bool> InMemoryDefaults::boolValue(std::string_view key) const {
    std::lock_guard lock(mutex_);
    const auto found = values_.find(key);
    if (found == values_.end() || !std::holds_alternative<bool>(found->second)) {
        return std::nullopt;
    }
    return std::get<bool>(found->second);
}

void InMemoryDefaults::setBool(std::string_view key, bool value) {
    std::lock_guard lock(mutex_);
    values_.insert_or_assign(std::string(key), value);
}

std::optional<std::string> InMemoryDefaults::stringValue(std::string_view key) const {
    std::lock_guard lock(mutex_);
    const auto found = values_.find(key);
    if (found == values_.end() || !std::holds_alternative<std::string>(found->second)) {
        return std::nullopt;
    }
    return std::get<std::string>(found->second);
}

void InMemoryDefaults::setString(std::string_view key, std::string_view value) {
    std::lock_guard lock(mutex_);
    values_.insert_or_assign(std::string(key), std::string(value));
}

void InMemoryDefaults::remove(std::string_view key) {
    std::lock_guard lock(mutex_);
    if (const auto found = values_.find(key); found != values_.end()) {
        values_.erase(found);
    }
}

bool InMemoryDefaults::contains(std::string_view key) const {
    std::lock_guard lock(mutex_);
    return values_.find(key) != values_.end();
}

}  // namespace kindora
