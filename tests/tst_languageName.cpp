#include "languageName.h"

#include <QtTest>

class tst_languageName : public QObject
{
    Q_OBJECT
private slots:
    void fromLocale_data();
    void fromLocale();
};

void tst_languageName::fromLocale_data()
{
    QTest::addColumn<QLocale::Language>("language");
    QTest::addColumn<QLocale::Country>("country");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Chinese China") << QLocale::Chinese << QLocale::China << "Zh_SM";
    QTest::newRow("Chinese Taiwan") << QLocale::Chinese << QLocale::Taiwan << "Zh_TR";
    QTest::newRow("Chinese HongKong") << QLocale::Chinese << QLocale::HongKong << "Zh_TR";
    QTest::newRow("Chinese Macau") << QLocale::Chinese << QLocale::Macau << "Zh_TR";
    QTest::newRow("Chinese Singapore") << QLocale::Chinese << QLocale::Singapore << "Zh_TR";
    QTest::newRow("Chinese AnyCountry") << QLocale::Chinese << QLocale::AnyCountry << "Zh_TR";
    QTest::newRow("English UK") << QLocale::English << QLocale::UnitedKingdom << "English";
    QTest::newRow("English US") << QLocale::English << QLocale::UnitedStates << "English";
    QTest::newRow("English China") << QLocale::English << QLocale::China << "English";
    QTest::newRow("Japanese") << QLocale::Japanese << QLocale::Japan << "Japanese";
    QTest::newRow("Korean") << QLocale::Korean << QLocale::SouthKorea << "Korean";
    QTest::newRow("Russian") << QLocale::Russian << QLocale::Russia << "Russian";
    QTest::newRow("Russian Ukraine") << QLocale::Russian << QLocale::Ukraine << "Russian";
    QTest::newRow("Arabic Egypt") << QLocale::Arabic << QLocale::Egypt << "Arabic";
    QTest::newRow("Arabic SaudiArabia") << QLocale::Arabic << QLocale::SaudiArabia << "Arabic";
    QTest::newRow("German") << QLocale::German << QLocale::Germany << "English";
    QTest::newRow("French") << QLocale::French << QLocale::France << "English";
    QTest::newRow("Cantonese HongKong") << QLocale::Cantonese << QLocale::HongKong << "English";
    QTest::newRow("C locale") << QLocale::C << QLocale::AnyCountry << "English";
    QTest::newRow("AnyLanguage") << QLocale::AnyLanguage << QLocale::AnyCountry << "English";
}

void tst_languageName::fromLocale()
{
    QFETCH(QLocale::Language, language);
    QFETCH(QLocale::Country, country);
    QFETCH(QString, expected);
    QCOMPARE(languageName(language, country), expected);
}

QTEST_GUILESS_MAIN(tst_languageName)
#include "tst_languageName.moc"
