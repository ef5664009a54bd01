#include "core/messagesdb/Service.hpp"

namespace kindora {

Service Service::fromColumn(const std::optional<std::string>& text) {
    if (!text) {
        return other({});
    }
    if (*text == "iMessage") {
        return imessage();
    }
    if (*text == "SMS") {
        return sms();
    }
    return other(*text);
}

}  // namespace kindora
