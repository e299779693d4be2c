#include "keyboardIdentity.h"

#include <QtTest>

#include <cstring>

using namespace keyboardIdentity;

namespace {
QByteArray answer(const QByteArray &text)
{
    QByteArray report(kReportSize, '\0');
    report[0] = 0x01;
    report[1] = 0x0D;
    std::memcpy(report.data() + kTextOffset, text.constData(), size_t(qMin(text.size(), kReportSize - kTextOffset)));
    return report;
}
} // namespace

class tst_keyboardIdentity : public QObject
{
    Q_OBJECT

private slots:
    void answerText_data()
    {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expected");

        const QByteArray full58(58, 'N');
        QTest::newRow("ends at zero byte") << answer("ABC,K87,V1.2") << 64 << "ABC,K87,V1.2";
        QTest::newRow("fills all 58 bytes, no zero") << answer(full58) << 64 << QString::fromLatin1(full58);
        QTest::newRow("short read cuts the text") << answer("ABC,K87,V1.2") << 9 << "ABC";
        QTest::newRow("read ends before the text") << answer("ABC") << 6 << "";
        QTest::newRow("one byte read") << answer("ABC") << 1 << "";
        QTest::newRow("negative length") << answer("ABC") << -1 << "";
        QTest::newRow("length beyond the report is clamped") << answer(full58) << 4096 << QString::fromLatin1(full58);
        QTest::newRow("not UTF-8") << answer(QByteArray("K\xff\xfe"
                                                        "87"))
                                   << 64
                                   << QString(QLatin1Char('K')) + QChar(QChar::ReplacementCharacter) +
                                          QChar(QChar::ReplacementCharacter) + QLatin1String("87");
        QTest::newRow("UTF-8 text") << answer(QByteArray("\xe9\x94\xae\xe7\x9b\x98,K1,V2")) << 64
                                    << QString::fromUtf8("\xe9\x94\xae\xe7\x9b\x98,K1,V2");
    }
    void answerText()
    {
        QFETCH(QByteArray, report);
        QFETCH(int, length);
        QFETCH(QString, expected);
        QCOMPARE(keyboardIdentity::answerText(reinterpret_cast<const unsigned char *>(report.constData()), length),
                 expected);
    }

    void answerTextOfNothing() { QCOMPARE(keyboardIdentity::answerText(nullptr, 64), QString()); }

    void answerTextStaysInsideWhatWasRead()
    {
        // The bytes after a short read are not the device's; they must not
        // leak into the text even when they are not zero.
        QByteArray report = answer(QByteArray(58, 'X'));
        QCOMPARE(keyboardIdentity::answerText(reinterpret_cast<const unsigned char *>(report.constData()), 10),
                 QStringLiteral("XXXX"));
    }

    void isNameText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("named");
        QTest::newRow("name text") << "1-ABC,K87,V1.2" << true;
        QTest::newRow("build time") << "1-Jan  5 2023,10:11:12" << false;
        QTest::newRow("empty name") << "1-" << true;
    }
    void isNameText()
    {
        QFETCH(QString, text);
        QFETCH(bool, named);
        QCOMPARE(keyboardIdentity::isNameText(text), named);
    }

    void monthNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("month");
        const char *names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        for (int i = 0; i < 12; ++i)
            QTest::newRow(names[i]) << QString::fromLatin1(names[i]) + QLatin1String(" 10 2020,00:00:00") << i + 1;
        QTest::newRow("unknown name") << "Foo 10 2020,00:00:00" << 1;
        QTest::newRow("lower case is not a month") << "dec 10 2020,00:00:00" << 1;
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("shorter than three letters") << "De" << 1;
    }
    void monthNumber()
    {
        QFETCH(QString, text);
        QFETCH(int, month);
        QCOMPARE(keyboardIdentity::monthNumber(text), month);
    }

    void buildTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one-digit day after two blanks") << "Jan  5 2023,10:11:12"
                                                        << "2023/1/5 10:11:12";
        QTest::newRow("two-digit day") << "Dec 25 2022,23:59:59"
                                       << "2022/12/25 23:59:59";
        QTest::newRow("one-digit day after one blank") << "Mar 5 2024,01:02:03"
                                                       << "2024/3/5 01:02:03";
        QTest::newRow("unknown month gives 1") << "Xyz 10 2021,08:00:00"
                                               << "2021/1/10 08:00:00";
        QTest::newRow("no time after the comma") << "Jun 30 2020,"
                                                 << "2020/6/30 ";
        QTest::newRow("no comma: passed on") << "build 42"
                                             << "build 42";
        QTest::newRow("date too short: passed on") << "Jan 5,12:00"
                                                   << "Jan 5,12:00";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("blanks only") << "   "
                                     << "";
    }
    void buildTime()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(keyboardIdentity::buildTime(text), expected);
    }

    void makeEntry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("build");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        const QString build = QStringLiteral("Jan  5 2023,10:11:12");
        QTest::newRow("maker, model, version") << "1-ABC,K87,V1.2" << build << "1-ABC,K87"
                                               << "V1.2---2023/1/5 10:11:12";
        QTest::newRow("no commas") << "1-K87" << build << "1-K87,1-K87"
                                   << "1-K87---2023/1/5 10:11:12";
        QTest::newRow("one comma") << "1-ABC,V1" << build << "1-ABC,1-ABC"
                                   << "V1---2023/1/5 10:11:12";
        QTest::newRow("commas in the maker are dropped") << "1-A,B,C,V9" << build << "1-AB,C"
                                                         << "V9---2023/1/5 10:11:12";
        QTest::newRow("empty name") << "1-" << build << "1-,1-"
                                    << "1----2023/1/5 10:11:12";
        QTest::newRow("missing build time") << "1-ABC,K87,V1.2"
                                            << ""
                                            << "1-ABC,K87"
                                            << "V1.2---";
        QTest::newRow("second interface number") << "2-ABC,K87,V1.2" << build << "2-ABC,K87"
                                                 << "V1.2---2023/1/5 10:11:12";
    }
    void makeEntry()
    {
        QFETCH(QString, name);
        QFETCH(QString, build);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const Entry entry = keyboardIdentity::makeEntry(name, build);
        QCOMPARE(entry.key, key);
        QCOMPARE(entry.value, value);
    }

    void numberedName() { QCOMPARE(keyboardIdentity::numberedName(1, QStringLiteral("ABC")), QStringLiteral("1-ABC")); }
};

QTEST_APPLESS_MAIN(tst_keyboardIdentity)
#include "tst_keyboardIdentity.moc"
