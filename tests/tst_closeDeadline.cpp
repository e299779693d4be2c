#include "closeDeadline.h"

#include <QtTest>

#include <atomic>

class tst_closeDeadline : public QObject
{
    Q_OBJECT

private slots:
    // A close that hangs is ended once its time is up; one that finishes in
    // time (the deadline destroyed) ends nothing, and asking again never
    // moves the first deadline.
    void expires_data()
    {
        QTest::addColumn<bool>("closesInTime");
        QTest::newRow("the close hangs") << false;
        QTest::newRow("the close finishes in time") << true;
    }

    void expires()
    {
        QFETCH(bool, closesInTime);
        std::atomic<int> ended{0};
        {
            CloseDeadline deadline([&ended] { ++ended; });
            deadline.arm(closesInTime ? 600000 : 20);
            deadline.arm(0);
            if (!closesInTime)
                QTRY_COMPARE_WITH_TIMEOUT(ended.load(), 1, 10000);
        }
        QCOMPARE(ended.load(), closesInTime ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(tst_closeDeadline)
#include "tst_closeDeadline.moc"
