// What the device source's reader thread hands the GUI thread: batches, one
// wake-up each, every event in the order read.
#include "inputBatchQueue.h"

#include <QtTest>

#include <atomic>
#include <thread>

namespace {

InputChunk chunk(const char *path, std::initializer_list<int> codes)
{
    InputChunk c;
    c.path = path;
    for (int code : codes) {
        InputEventRecord e;
        e.type = 1;
        e.code = std::uint16_t(code);
        e.value = 1;
        e.timeUs = code;
        c.events.push_back(e);
    }
    return c;
}

QString pathsAndCodes(const std::vector<InputChunk> &batch)
{
    QStringList parts;
    for (const InputChunk &c : batch) {
        QString part = QString::fromStdString(c.path) + QLatin1Char(':');
        for (const InputEventRecord &e : c.events)
            part += QString::number(e.code) + QLatin1Char(',');
        parts.append(part);
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

class tst_inputBatchQueue : public QObject
{
    Q_OBJECT

private slots:
    void wakesOncePerBatch()
    {
        InputBatchQueue queue;
        QVERIFY(queue.push(chunk("/dev/input/event5", {30, 48})));
        QVERIFY(!queue.push(chunk("/dev/input/event6", {113})));
        QVERIFY(!queue.push(chunk("/dev/input/event5", {46})));
        QCOMPARE(pathsAndCodes(queue.take()),
                 QStringLiteral("/dev/input/event5:30,48, /dev/input/event6:113, /dev/input/event5:46,"));
        QVERIFY(queue.take().empty());
        QVERIFY(queue.push(chunk("/dev/input/event5", {32})));
    }

    void roomUntilTaken()
    {
        InputBatchQueue queue;
        InputChunk big;
        big.events.resize(InputBatchQueue::MaxEvents - 1);
        queue.push(big);
        QVERIFY(queue.hasRoom());
        queue.push(chunk("n", {1}));
        QVERIFY(!queue.hasRoom());
        queue.take();
        QVERIFY(queue.hasRoom());
    }

    // A reader thread and the consumer at once: every event arrives, in
    // order, and the consumer is woken no more often than it takes.
    void readerAndConsumerAtOnce()
    {
        InputBatchQueue queue;
        const int events = 100000;
        std::atomic<int> wakes{0};
        std::thread reader([&] {
            for (int i = 0; i < events; ++i) {
                InputChunk c;
                c.events.resize(1);
                c.events[0].timeUs = i;
                if (queue.push(std::move(c)))
                    ++wakes;
            }
        });
        int next = 0, takes = 0;
        bool inOrder = true;
        while (next < events) {
            const std::vector<InputChunk> batch = queue.take();
            takes += batch.empty() ? 0 : 1;
            for (const InputChunk &c : batch)
                inOrder = inOrder && c.events.at(0).timeUs == next++;
        }
        reader.join();
        QVERIFY(inOrder);
        QCOMPARE(wakes.load(), takes);
    }
};

QTEST_APPLESS_MAIN(tst_inputBatchQueue)
#include "tst_inputBatchQueue.moc"
