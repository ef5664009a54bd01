#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTranslator>

#include "app/i18n/PseudoLocaleTranslator.hpp"
#include "app/texts/StatusTexts.hpp"
#include "tests/app/QtTestApplication.hpp"

namespace kindora {
namespace {

TEST(PseudoLocale, TextsGrowAboutTwoFifthsAreAccentedAndKeepTheirPlaceholders) {
    testing::qtApplication();
    QTranslator english;
    ASSERT_TRUE(english.load(QStringLiteral("kindora_en"), QStringLiteral(":/i18n")));
    PseudoLocaleTranslator pseudo(english);
    QCoreApplication::installTranslator(&pseudo);

    // A plural text: the English form for the count is what gets transformed, and %n is still filled.
    const QString waiting = StatusTexts::alertsWaiting(2).value_or(QString());
    EXPECT_EQ(waiting.left(18), QStringLiteral("[2 åļéŕţš ŵåîţîñĝ "));
    // Values go into the placeholders after translation, untouched.
    const QString expiry = QCoreApplication::translate("StatusTexts", "Code expires in %1").arg(QStringLiteral("4:59"));
    EXPECT_TRUE(expiry.startsWith(QStringLiteral("[Çöðé éẋþîŕéš îñ 4:59"))) << expiry.toStdString();
    QCoreApplication::removeTranslator(&pseudo);

    const QString sentence = QStringLiteral("Pauses full-screen interruptions on this computer, %1 of %L2 (%n).");
    const QString pseudoSentence = PseudoLocaleTranslator::pseudoText(sentence);
    const double growth = static_cast<double>(pseudoSentence.size()) / static_cast<double>(sentence.size());
    EXPECT_GE(growth, 1.35);
    EXPECT_LE(growth, 1.45);
    for (const char* placeholder : {"%1", "%L2", "%n"}) {
        EXPECT_TRUE(pseudoSentence.contains(QLatin1String(placeholder))) << placeholder;
    }
    EXPECT_FALSE(pseudoSentence.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2}"))))
        << "every letter outside a placeholder is accented: " << pseudoSentence.toStdString();
    EXPECT_FALSE(pseudoSentence.contains(QRegularExpression(QStringLiteral("[<>&]"))))
        << "nothing that reads as markup is added";
}

}  // namespace
}  // namespace kindora
