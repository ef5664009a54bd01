#include "app/texts/TranslatedText.hpp"

#include <QCoreApplication>

#include <string>
#include <vector>

namespace kindora {

QString translated(const UserText& text) {
    const auto& phrase = text.phrase();
    if (!phrase) {
        return QString::fromStdString(text.verbatimText());
    }
    const int count = text.count() ? static_cast<int>(*text.count()) : -1;
    const QString pattern = QCoreApplication::translate(phrase->context, phrase->source, nullptr, count);
    std::vector<std::string> values;
    values.reserve(text.arguments().size());
    for (const UserText& argument : text.arguments()) {
        values.push_back(translated(argument).toStdString());
    }
    // One pass, as in English: a value that holds "%2" is never filled in again.
    return QString::fromStdString(fillPlaceholders(pattern.toStdString(), values));
}

}  // namespace kindora
