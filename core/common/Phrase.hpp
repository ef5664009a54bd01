#pragma once

#include <string_view>

namespace kindora {

// A sentence of the agent's own that a person reads, as its English source text: what the
// translations are keyed by and what the logs and the console print. `context` groups related
// phrases for translators; `source` holds %1 to %9 for values and, in a plural phrase, %n for the
// count whose grammatical number the translation follows.
struct Phrase {
    const char* context;
    const char* source;
    bool plural = false;

    friend bool operator==(const Phrase& left, const Phrase& right) {
        return left.plural == right.plural && std::string_view(left.context) == right.context &&
               std::string_view(left.source) == right.source;
    }
};

}  // namespace kindora

// Phrases are written through these two macros only, so that the translation tools find every one of
// them (lupdate reads them as QT_TRANSLATE_NOOP and QT_TRANSLATE_N_NOOP) without the core knowing Qt.
#define KINDORA_PHRASE(context, source) (::kindora::Phrase{context, source, false})
#define KINDORA_PLURAL_PHRASE(context, source) (::kindora::Phrase{context, source, true})
