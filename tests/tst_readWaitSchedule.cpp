// How long the link's worker waits for a report: never longer than the quiet
// so far (so a write queued meanwhile waits no longer than that), never longer
// than the idle wait, and an idle link wakes a few times a second.
#include "readWaitSchedule.h"

#include <QtTest>

using namespace readWaitSchedule;

class tst_readWaitSchedule : public QObject
{
    Q_OBJECT

private slots:
    void waits_data()
    {
        QTest::addColumn<qint64>("quietMs");
        QTest::addColumn<int>("waitMs");
        QTest::newRow("right after traffic") << qint64(0) << FirstWaitMs;
        QTest::newRow("clock behind") << qint64(-5) << FirstWaitMs;
        QTest::newRow("as long as the quiet") << qint64(8) << 8;
        QTest::newRow("idle") << qint64(IdleWaitMs) << IdleWaitMs;
        QTest::newRow("long idle") << qint64(3600000) << IdleWaitMs;
    }
    void waits()
    {
        QFETCH(qint64, quietMs);
        QFETCH(int, waitMs);
        QCOMPARE(readWaitMs(quietMs), waitMs);
    }

    // Waits one after the other from the last traffic on: how many a quiet
    // second takes, and that none holds a write longer than the quiet before it.
    void quietSecond()
    {
        qint64 quiet = 0;
        int waits = 0;
        while (quiet < 1000) {
            const int wait = readWaitMs(quiet);
            QVERIFY(wait <= qMax<qint64>(FirstWaitMs, quiet));
            quiet += wait;
            ++waits;
        }
        QVERIFY2(waits <= 1000 / IdleWaitMs + 10, qPrintable(QString::number(waits)));
    }
};

QTEST_APPLESS_MAIN(tst_readWaitSchedule)
#include "tst_readWaitSchedule.moc"
