#include "toolVersion.h"

#include <QtTest>

class tst_toolVersion : public QObject
{
    Q_OBJECT

private slots:
    void titleSuffix_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("patch");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("one-digit minor and patch padded") << 1 << 1 << 8 << " V1.01.08";
        QTest::newRow("two-digit minor and patch kept") << 2 << 10 << 12 << " V2.10.12";
        QTest::newRow("zeros") << 3 << 0 << 0 << " V3.00.00";
    }

    void titleSuffix()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, patch);
        QFETCH(QString, suffix);
        QCOMPARE(toolVersion::titleSuffix(major, minor, patch), suffix);
    }
};

QTEST_GUILESS_MAIN(tst_toolVersion)
#include "tst_toolVersion.moc"
