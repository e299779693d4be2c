#include "retryBackoff.h"

#include <QtTest>

class tst_retryBackoff : public QObject
{
    Q_OBJECT

private slots:
    void delays_data()
    {
        QTest::addColumn<int>("firstMs");
        QTest::addColumn<int>("mostMs");
        QTest::addColumn<QList<int>>("delays");
        QTest::newRow("doubling up to the most")
            << 5000 << 60000 << QList<int>{5000, 10000, 20000, 40000, 60000, 60000};
        QTest::newRow("the most below the first") << 500 << 100 << QList<int>{500, 500};
        QTest::newRow("no wait asked for") << 0 << 0 << QList<int>{1, 1};
    }

    void delays()
    {
        QFETCH(int, firstMs);
        QFETCH(int, mostMs);
        QFETCH(QList<int>, delays);
        RetryBackoff backoff(firstMs, mostMs);
        QList<int> seen;
        for (int i = 0; i < delays.size(); ++i)
            seen << backoff.nextDelayMs();
        QCOMPARE(seen, delays);
        backoff.reset();
        QCOMPARE(backoff.nextDelayMs(), delays.first());
    }

    // Hours of failures never overflow the delay.
    void longOutage()
    {
        RetryBackoff backoff(5000, 60000);
        int last = 0;
        for (int i = 0; i < 100000; ++i)
            last = backoff.nextDelayMs();
        QCOMPARE(last, 60000);
    }
};

QTEST_APPLESS_MAIN(tst_retryBackoff)
#include "tst_retryBackoff.moc"
