#pragma once

#include <QCoreApplication>
#include <QTranslator>

#include <memory>

namespace kindora {

// The translations of the interface, installed on the application for its whole life:
// - the source language's plural forms ("1 alert waiting", "2 alerts waiting"), always, beneath the
//   others, so that a text a translation lacks still reads right in English;
// - the translation for the person's language, when the program carries one;
// - the pseudo-locale instead, when KINDORA_PSEUDO_LOCALE is set to 1 (layout testing).
class Translations {
public:
    static constexpr const char* pseudoLocaleVariable = "KINDORA_PSEUDO_LOCALE";

    explicit Translations(QCoreApplication& application);
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;
    ~Translations();

    bool isPseudoLocale() const { return pseudo_ != nullptr; }

private:
    QCoreApplication& application_;
    QTranslator sourcePlurals_;
    QTranslator language_;
    std::unique_ptr<QTranslator> pseudo_;
};

}  // namespace kindora
