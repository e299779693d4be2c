#include "verdictBar.h"

#include <QLineEdit>
#include <QtTest>

class tst_verdictBar : public QObject
{
    Q_OBJECT

private slots:
    // A scanned serial longer than the field takes is refused whole, with a
    // message on the bar, never cut short into another unit's serial; once
    // the field is mended it is taken.
    void serialTooLong_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("taken");
        QTest::newRow("the longest taken") << 64 << true;
        QTest::newRow("one more") << 65 << false;
        QTest::newRow("a label scanned twice") << 128 << false;
    }

    void serialTooLong()
    {
        QFETCH(int, length);
        QFETCH(bool, taken);
        VerdictBar bar;
        VerdictCriteria criteria;
        criteria.serial = VerdictCriteria::Serial::Require;
        bar.setCriteria(criteria);
        bar.showVerdict(nullptr, KeyNamer());
        const QString prompt = bar.text();
        QLineEdit *field = bar.findChild<QLineEdit *>(QStringLiteral("lineEdit_Serial"));
        QVERIFY(field);
        const QString scanned = QString(length, QLatin1Char('7'));
        QTest::keyClicks(field, scanned);
        QCOMPARE(field->text(), scanned);
        QCOMPARE(bar.serial(), taken ? scanned : QString());
        QCOMPARE(bar.text() == prompt, taken);
        QVERIFY(bar.text().contains(QLatin1String("64")) != taken);
        // The scanner's Return: a refused label is replaced by the next scan.
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClicks(field, QStringLiteral("TK87-000123"));
        QCOMPARE(field->text(), taken ? scanned + QStringLiteral("TK87-000123") : QStringLiteral("TK87-000123"));
        field->setText(QStringLiteral("TK87-000123"));
        QCOMPARE(bar.serial(), QStringLiteral("TK87-000123"));
        QCOMPARE(bar.text(), prompt);
    }
};

QTEST_MAIN(tst_verdictBar)
#include "tst_verdictBar.moc"
