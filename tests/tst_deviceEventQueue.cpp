// Device events run one at a time, in order, without repeats.
#include "deviceEventQueue.h"

#include <QtTest>

namespace {

// "a:p" arrival, "r:p" removal, "l:p" link lost, "s:p" selection; "end" ends the running sequence, "close" closes.
// The result lists the events in the order they ran.
QStringList run(const QStringList &steps)
{
    DeviceEventQueue queue;
    QStringList ran;
    auto name = [](const DeviceEvent &e) {
        const char kinds[] = {'a', 'r', 'l', 's'};
        return QStringLiteral("%1:%2").arg(QLatin1Char(kinds[int(e.kind)])).arg(QString::fromStdString(e.text));
    };
    for (const QString &step : steps) {
        if (step == QLatin1String("end")) {
            DeviceEvent next;
            if (queue.finish(&next))
                ran << name(next);
        } else if (step == QLatin1String("close")) {
            queue.close();
        } else {
            DeviceEvent event;
            event.kind = DeviceEventKind(QStringLiteral("arls").indexOf(step.at(0)));
            event.text = step.mid(2).toStdString();
            if (queue.push(event))
                ran << name(event);
        }
    }
    return ran;
}

} // namespace

class tst_deviceEventQueue : public QObject
{
    Q_OBJECT

private slots:
    void order_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("ran");
        QTest::newRow("idle runs at once") << QStringList{"a:p"} << QStringList{"a:p"};
        QTest::newRow("waits for the running one") << QStringList{"a:p", "r:p", "a:p"} << QStringList{"a:p"};
        QTest::newRow("runs in order after each end")
            << QStringList{"a:p", "r:p", "a:p", "end", "end", "end"} << QStringList{"a:p", "r:p", "a:p"};
        QTest::newRow("a burst of one plug runs once")
            << QStringList{"a:p", "a:p", "a:p", "end", "end"} << QStringList{"a:p"};
        QTest::newRow("other paths are not repeats") << QStringList{"a:p", "a:q", "end"} << QStringList{"a:p", "a:q"};
        QTest::newRow("a selection waits for a removal")
            << QStringList{"r:p", "s:K87", "end"} << QStringList{"r:p", "s:K87"};
        QTest::newRow("nothing after close") << QStringList{"a:p", "r:p", "close", "end", "a:p"} << QStringList{"a:p"};
    }
    void order()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, ran);
        QCOMPARE(run(steps), ran);
    }

    void waitingIsBounded()
    {
        DeviceEventQueue queue;
        queue.push({DeviceEventKind::Arrival, "running"});
        for (int i = 0; i < 1000; ++i)
            queue.push({i % 2 ? DeviceEventKind::Arrival : DeviceEventKind::Removal, std::to_string(i)});
        QCOMPARE(queue.waiting(), DeviceEventQueue::MaxWaiting);
        // The newest survive: they describe the bus as it is now.
        DeviceEvent last;
        while (queue.finish(&last)) {
        }
        QCOMPARE(last.text, std::string("999"));
    }
};

QTEST_APPLESS_MAIN(tst_deviceEventQueue)
#include "tst_deviceEventQueue.moc"
