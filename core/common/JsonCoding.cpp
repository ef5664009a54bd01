#include "core/common/JsonCoding.hpp"

namespace kindora::JsonCoding {
namespace {

// Counts bracket depth outside strings; the parser itself would accept any depth.
bool nestsDeeperThan(std::string_view text, std::size_t limit) {
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        switch (c) {
            case '"':
                inString = true;
                break;
            case '[':
            case '{':
                if (++depth > limit) {
                    return true;
                }
                break;
            case ']':
            case '}':
                if (depth > 0) {
                    --depth;
                }
                break;
            default:
                break;
        }
    }
    return false;
}

}  // namespace

nlohmann::json parse(std::string_view text) {
    if (nestsDeeperThan(text, maximumNestingDepth)) {
        throw RecordDecodingError("JSON nested deeper than " + std::to_string(maximumNestingDepth) +
                                  " levels");
    }
    // The parser's own messages quote the text around the fault, which may be message content, so
    // only the position is reported.
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error& error) {
        throw RecordDecodingError("Malformed JSON at byte " + std::to_string(error.byte));
    } catch (const nlohmann::json::exception&) {
        throw RecordDecodingError("Malformed JSON: a number is out of range");
    }
}

std::string encode(const nlohmann::ordered_json& json) {
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace kindora::JsonCoding
