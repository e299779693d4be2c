// At most one repaint a frame: a repaint asked for after a quiet frame happens
// at once, one asked for sooner is held to the frame's end.
#include "framePacer.h"

#include <QtTest>

class tst_framePacer : public QObject
{
    Q_OBJECT

private slots:
    void holds_data()
    {
        // Repaints let through at these times (us), then one asked for at `askedAt`.
        QTest::addColumn<QList<qint64>>("painted");
        QTest::addColumn<qint64>("askedAt");
        QTest::addColumn<qint64>("held");

        const qint64 frame = 16666;
        QTest::newRow("the first at once") << QList<qint64>() << qint64(5) << qint64(0);
        QTest::newRow("right after one: the whole frame") << QList<qint64>{1000} << qint64(1000) << frame;
        QTest::newRow("within the frame: its rest") << QList<qint64>{1000} << qint64(11000) << frame - 10000;
        QTest::newRow("at the frame's end at once") << QList<qint64>{1000} << 1000 + frame << qint64(0);
        QTest::newRow("after a quiet while at once") << QList<qint64>{1000} << qint64(900000) << qint64(0);
        QTest::newRow("counted from the last")
            << QList<qint64>{1000, 1000 + frame} << 1000 + frame + 6666 << qint64(10000);
    }
    void holds()
    {
        QFETCH(QList<qint64>, painted);
        QFETCH(qint64, askedAt);
        QFETCH(qint64, held);
        FramePacer pacer(16666);
        for (qint64 at : painted)
            pacer.painted(at);
        QCOMPARE(qint64(pacer.holdUs(askedAt)), held);
    }

    // However often one is asked for, repaints let through when due are a
    // frame apart at least.
    void burstRepaintsOncePerFrame()
    {
        FramePacer pacer(16666);
        int paints = 0;
        const qint64 second = 1000000;
        for (qint64 now = 0; now < second; now += 250) {
            if (pacer.holdUs(now) == 0) {
                pacer.painted(now);
                ++paints;
            }
        }
        QVERIFY2(paints <= second / 16666 + 1, qPrintable(QString::number(paints)));
        QVERIFY(paints >= second / 16666 - 1);
    }
};

QTEST_APPLESS_MAIN(tst_framePacer)
#include "tst_framePacer.moc"
