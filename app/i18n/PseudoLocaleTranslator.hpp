#pragma once

#include <QString>
#include <QTranslator>

namespace kindora {

// A made-up language for testing layouts: every text of the interface comes out about 40 % longer
// and with its letters accented ("Quit" reads "[Qûîţ ļö]"), so that a clipped label, a control too
// narrow for its text and a sentence nobody passed through the translations all show at a glance.
// Placeholders (%1, %n, %L1, ...) stay as they are, so values are still filled in, and nothing that
// could read as markup is added.
class PseudoLocaleTranslator : public QTranslator {
public:
    // `base` gives the text to transform (the source language's forms, plurals resolved); it must
    // outlive this translator.
    explicit PseudoLocaleTranslator(const QTranslator& base, QObject* parent = nullptr);

    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }

    // The transformation itself.
    static QString pseudoText(const QString& text);

private:
    const QTranslator& base_;
};

}  // namespace kindora
