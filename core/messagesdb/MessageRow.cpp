#include "core/messagesdb/MessageRow.hpp"

#include "core/messagesdb/AttributedBodyDecoder.hpp"

namespace kindora {

std::optional<std::string> MessageRow::bestText() const {
    if (text) {
        return text;
    }
    return AttributedBodyDecoder::decode(attributedBody);
}

}  // namespace kindora
