#include "core/common/Defaults.hpp"

#include "core/common/JsonDate.hpp"

namespace kindora {

std::optional<Date> Defaults::dateValue(std::string_view key) const {
    const auto text = stringValue(key);
    if (!text) {
        return std::nullopt;
    }
    return JsonDate::tryDecode(*text);
}

void Defaults::setDate(std::string_view key, Date value) { setString(key, JsonDate::encode(value)); }

}  // namespace kindora
