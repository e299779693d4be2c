#include "resultExport.h"

#include <QtTest>

class tst_resultExport : public QObject
{
    Q_OBJECT

private slots:
    // A cell a spreadsheet would run as a formula is kept as text.
    void formulaNeutralised_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cell");
        QTest::newRow("=") << "=1+2"
                           << "'=1+2";
        QTest::newRow("+") << "+1"
                           << "'+1";
        QTest::newRow("-") << "-2+3"
                           << "'-2+3";
        QTest::newRow("@") << "@SUM(A1)"
                           << "'@SUM(A1)";
        QTest::newRow("tab") << "\t=1"
                             << "'\t=1";
        QTest::newRow("carriage return") << "\r=1"
                                         << "'\r=1";
        QTest::newRow("inside only") << "TK-87 =1"
                                     << "TK-87 =1";
        QTest::newRow("empty") << ""
                               << "";
    }

    void formulaNeutralised()
    {
        QFETCH(QString, text);
        QFETCH(QString, cell);
        QCOMPARE(resultExport::cellText(text.toStdString()), cell);
    }

    // Quoted as RFC 4180 asks, for each character that needs it alone.
    void quoting_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "TK-87 Keyboard"
                               << "TK-87 Keyboard";
        QTest::newRow("comma") << "HE-68, Magnetic"
                               << "\"HE-68, Magnetic\"";
        QTest::newRow("quote") << "12\" board"
                               << "\"12\"\" board\"";
        QTest::newRow("line feed") << "one\ntwo"
                                   << "\"one\ntwo\"";
        QTest::newRow("carriage return") << "one\rtwo"
                                         << "\"one\rtwo\"";
        QTest::newRow("space first") << " Tavrin"
                                     << "\" Tavrin\"";
        QTest::newRow("space last") << "Tavrin "
                                    << "\"Tavrin \"";
    }

    void quoting()
    {
        QFETCH(QString, field);
        QFETCH(QString, written);
        QCOMPARE(resultExport::csvField(field), written);
    }
};

QTEST_APPLESS_MAIN(tst_resultExport)
#include "tst_resultExport.moc"
