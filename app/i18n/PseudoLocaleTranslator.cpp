#include "app/i18n/PseudoLocaleTranslator.hpp"

#include <cmath>

namespace kindora {
namespace {

// Each ASCII letter's accented look-alike, so that the text stays readable.
QChar accented(QChar letter) {
    static const QString lower = QStringLiteral("åƀçðéƒĝĥîĵķļɱñöþǫŕšţûṽŵẋýž");
    static const QString upper = QStringLiteral("ÅƁÇÐÉƑĜĤÎĴĶĻṀÑÖÞǪŔŠŢÛṼŴẊÝŽ");
    const char16_t code = letter.unicode();
    if (code >= u'a' && code <= u'z') {
        return lower.at(code - u'a');
    }
    if (code >= u'A' && code <= u'Z') {
        return upper.at(code - u'A');
    }
    return letter;
}

// How long a Qt placeholder at `at` is ("%1", "%12", "%n", "%L1", "%Ln"); 0 when there is none.
qsizetype placeholderLength(const QString& text, qsizetype at) {
    if (text.at(at) != u'%' || at + 1 >= text.size()) {
        return 0;
    }
    qsizetype end = at + 1;
    if (text.at(end) == u'L' && end + 1 < text.size()) {
        ++end;
    }
    if (text.at(end) == u'n') {
        return end + 1 - at;
    }
    while (end < text.size() && text.at(end).isDigit()) {
        ++end;
    }
    return text.at(end - 1).isDigit() ? end - at : 0;
}

// Words to lengthen a text with, so that it can still wrap between words as a translation would.
const QString& filler() {
    static const QString words = QStringLiteral("ļöŕéɱ îþšûɱ ðöļöŕ šîţ åɱéţ çöñšéçţéţûŕ åðîþîšçîñĝ éļîţ šéð ðö");
    return words;
}

}  // namespace

PseudoLocaleTranslator::PseudoLocaleTranslator(const QTranslator& base, QObject* parent)
    : QTranslator(parent), base_(base) {}

QString PseudoLocaleTranslator::translate(const char* context, const char* sourceText, const char* disambiguation,
                                          int n) const {
    if (sourceText == nullptr || *sourceText == '\0') {
        return {};
    }
    QString text = base_.translate(context, sourceText, disambiguation, n);
    if (text.isEmpty()) {
        text = QString::fromUtf8(sourceText);
    }
    return pseudoText(text);
}

QString PseudoLocaleTranslator::pseudoText(const QString& text) {
    QString result;
    result.reserve(text.size() * 2 + 2);
    result += u'[';
    for (qsizetype at = 0; at < text.size();) {
        if (const qsizetype length = placeholderLength(text, at); length > 0) {
            result += text.mid(at, length);
            at += length;
            continue;
        }
        result += accented(text.at(at));
        ++at;
    }
    // About 40 % more, the brackets included: the growth of a long German or Finnish sentence.
    const auto extra = static_cast<qsizetype>(std::lround(static_cast<double>(text.size()) * 0.4)) - 2;
    if (extra > 1) {
        QString padding;
        while (padding.size() < extra - 1) {
            padding += filler() + u' ';
        }
        result += u' ';
        result += padding.left(extra - 1).trimmed();
    }
    result += u']';
    return result;
}

}  // namespace kindora
