#include "core/common/UserText.hpp"

#include <utility>

namespace kindora {

UserText::UserText(Phrase phrase, std::vector<UserText> arguments)
    : phrase_(phrase), arguments_(std::move(arguments)) {}

UserText UserText::counted(Phrase phrase, std::int64_t count, std::vector<UserText> arguments) {
    UserText text(phrase, std::move(arguments));
    text.count_ = count;
    return text;
}

UserText UserText::verbatim(std::string text) {
    UserText value;
    value.verbatim_ = std::move(text);
    return value;
}

std::string UserText::english() const {
    if (!phrase_) {
        return verbatim_;
    }
    std::string pattern = phrase_->source;
    if (count_) {
        const std::string number = std::to_string(*count_);
        for (auto at = pattern.find("%n"); at != std::string::npos;
             at = pattern.find("%n", at + number.size())) {
            pattern.replace(at, 2, number);
        }
    }
    std::vector<std::string> values;
    values.reserve(arguments_.size());
    for (const UserText& argument : arguments_) {
        values.push_back(argument.english());
    }
    return fillPlaceholders(pattern, values);
}

std::string fillPlaceholders(std::string_view pattern, const std::vector<std::string>& arguments) {
    std::string filled;
    filled.reserve(pattern.size());
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const char next = at + 1 < pattern.size() ? pattern[at + 1] : '\0';
        if (pattern[at] == '%' && next >= '1' && next <= '9') {
            const auto index = static_cast<std::size_t>(next - '1');
            if (index < arguments.size()) {
                filled += arguments[index];
                ++at;
                continue;
            }
        }
        filled += pattern[at];
    }
    return filled;
}

}  // namespace kindora
