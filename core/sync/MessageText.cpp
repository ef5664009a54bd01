#include "core/sync/MessageText.hpp"

#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace kindora::MessageText {
namespace {

struct BreakIteratorCloser {
    void operator()(UBreakIterator* iterator) const { ubrk_close(iterator); }
};
struct TextCloser {
    void operator()(UText* text) const { utext_close(text); }
};

// Walks the grapheme cluster boundaries of UTF-8 text; positions are byte offsets.
class CharacterBoundaries {
public:
    explicit CharacterBoundaries(std::string_view text) {
        UErrorCode status = U_ZERO_ERROR;
        text_.reset(utext_openUTF8(nullptr, text.data(), static_cast<std::int64_t>(text.size()), &status));
        iterator_.reset(ubrk_open(UBRK_CHARACTER, nullptr, nullptr, 0, &status));
        if (U_SUCCESS(status)) {
            ubrk_setUText(iterator_.get(), text_.get(), &status);
        }
        if (U_FAILURE(status)) {
            throw std::runtime_error(std::string("cannot segment text: ") + u_errorName(status));
        }
        ubrk_first(iterator_.get());
    }

    // The next boundary, or UBRK_DONE at the end.
    std::int32_t next() { return ubrk_next(iterator_.get()); }

private:
    std::unique_ptr<UText, TextCloser> text_;
    std::unique_ptr<UBreakIterator, BreakIteratorCloser> iterator_;
};

bool isASCII(std::string_view text) {
    for (const char byte : text) {
        if (static_cast<unsigned char>(byte) >= 0x80) {
            return false;
        }
    }
    return true;
}

// In ASCII text every byte is a character of its own, except that CR LF is one; most messages are
// ASCII, and segmenting them through the break iterator costs far more than this.
std::size_t asciiCharacterLength(std::string_view text, std::size_t index) {
    return text[index] == '\r' && index + 1 < text.size() && text[index + 1] == '\n' ? 2 : 1;
}

}  // namespace

std::size_t characterCount(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    if (isASCII(text)) {
        std::size_t count = 0;
        for (std::size_t index = 0; index < text.size(); index += asciiCharacterLength(text, index)) {
            ++count;
        }
        return count;
    }
    CharacterBoundaries boundaries(text);
    std::size_t count = 0;
    while (boundaries.next() != UBRK_DONE) {
        ++count;
    }
    return count;
}

std::string prefix(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return std::string(text);  // fewer bytes than the limit means fewer characters too
    }
    if (isASCII(text)) {
        std::size_t end = 0;
        for (std::size_t count = 0; count < limit && end < text.size(); ++count) {
            end += asciiCharacterLength(text, end);
        }
        return std::string(text.substr(0, end));
    }
    CharacterBoundaries boundaries(text);
    std::size_t end = 0;
    for (std::size_t count = 0; count < limit; ++count) {
        const std::int32_t boundary = boundaries.next();
        if (boundary == UBRK_DONE) {
            return std::string(text);
        }
        end = static_cast<std::size_t>(boundary);
    }
    return std::string(text.substr(0, end));
}

}  // namespace kindora::MessageText
