#include "app/i18n/Translations.hpp"

#include <QLocale>

#include "app/i18n/PseudoLocaleTranslator.hpp"

namespace kindora {
namespace {

const QString directory = QStringLiteral(":/i18n");

}  // namespace

Translations::Translations(QCoreApplication& application) : application_(application) {
    if (sourcePlurals_.load(QStringLiteral("kindora_en"), directory)) {
        application_.installTranslator(&sourcePlurals_);
    }
    if (qEnvironmentVariableIntValue(pseudoLocaleVariable) == 1) {
        pseudo_ = std::make_unique<PseudoLocaleTranslator>(sourcePlurals_);
        application_.installTranslator(pseudo_.get());
        return;
    }
    // English is the source language: only its plural forms are needed, and they are in already.
    if (QLocale().language() != QLocale::English &&
        language_.load(QLocale(), QStringLiteral("kindora"), QStringLiteral("_"), directory)) {
        application_.installTranslator(&language_);
    }
}

Translations::~Translations() {
    if (pseudo_) {
        application_.removeTranslator(pseudo_.get());
    }
    application_.removeTranslator(&language_);
    application_.removeTranslator(&sourcePlurals_);
}

}  // namespace kindora
