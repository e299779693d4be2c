// The HID link against the simulated keyboard: finding interface 2, the
// identity exchange, the worker's read/write alternation, closing and
// unplugging, report buffer ownership, and traffic from several threads at once.

#include "hidLibraryGuard.h"
#include "hidReportSink.h"
#include "keyboardIdentity.h"
#include "mainHidInterFace.h"
#include "simKeyboard.h"

#include <QtTest>

#include <memory>
#include <thread>

using sim::SimKeyboard;
using sim::SimKeyboardConfig;

namespace {

std::vector<uint8_t> report(uint8_t code, uint8_t b6 = 0, uint8_t b7 = 0)
{
    return sim::makeFrame(code, 0, {b6, b7});
}

// Reports written by the link's own handle (not the identity handles).
std::vector<sim::SimWrittenReport> linkWrites(const SimKeyboard &kb)
{
    std::vector<sim::SimWrittenReport> out;
    for (const auto &w : kb.writtenReports())
        if (w.bytes.size() < 2 || w.bytes[1] != 0x0D)
            out.push_back(w);
    return out;
}

} // namespace

class tst_mainHidInterFace : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainHidInterFace> m_link;
    std::unique_ptr<HidReportSink> m_sink;

    MainHidInterFace *makeLink(int vid = 0x0416, int pid = 0xb23c)
    {
        m_link.reset(new MainHidInterFace);
        m_sink.reset(new HidReportSink);
        connect(m_link.get(), &MainHidInterFace::sigHidDataArrived, m_sink.get(), &HidReportSink::onHidDataArrived);
        m_link->setVidPid(vid, pid);
        return m_link.get();
    }

    // Found, identity read, opened and the worker started, as on a connection.
    MainHidInterFace *connectLink(int vid = 0x0416, int pid = 0xb23c)
    {
        MainHidInterFace *link = makeLink(vid, pid);
        link->getHidList();
        if (link->hidOpenPath() != 0)
            return nullptr;
        link->start();
        return link;
    }

private slots:
    void init() { SimKeyboard::resetAll(); }

    void cleanup()
    {
        m_link.reset();
        // Reports still on their way reach the sink, which releases them.
        QCoreApplication::sendPostedEvents();
        m_sink.reset();
        QCOMPARE(SimKeyboard::stats().openHandles, 0);
    }

    void constructionEnumeratesWithoutMatching()
    {
        SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace link;
        QCOMPARE(link.getHidPath(), QString());
        QCOMPARE(SimKeyboard::stats().openCalls, 0);
    }

    void firstInterfaceTwoWins()
    {
        SimKeyboardConfig first;
        first.manufacturer = L"First";
        SimKeyboardConfig second;
        second.manufacturer = L"Second";
        SimKeyboard a = SimKeyboard::plugIn(first);
        SimKeyboard b = SimKeyboard::plugIn(second);

        MainHidInterFace *link = makeLink();
        QSignalSpy found(link, &MainHidInterFace::sigGetHidListSuccessful);
        link->getHidList();
        QCOMPARE(found.count(), 1);
        QCOMPARE(link->getHidPath(), QStringLiteral("sim:0416:b23c:%1:2&mi_02").arg(a.id()));
        QCOMPARE(link->getManufacturer(), QStringLiteral("First"));
        QCOMPARE(link->getProduct(), QStringLiteral("Simulated keyboard"));
        QCOMPARE(a.identityQueries(), 1);
        QCOMPARE(b.identityQueries(), 0);
    }

    void notFound_data()
    {
        QTest::addColumn<int>("vid");
        QTest::addColumn<int>("pid");
        QTest::addColumn<QVector<int>>("interfaces");
        QTest::addColumn<QString>("interface1Path");
        QTest::addColumn<bool>("unplugged");

        QTest::newRow("no interface 2") << 0x0416 << 0xb23c << QVector<int>{0, 1} << QString() << false;
        QTest::newRow("path names mi_02 but interface is 1")
            << 0x0416 << 0xb23c << QVector<int>{0, 1} << QStringLiteral("usb#vid_0416&pid_b23c&mi_02#x") << false;
        QTest::newRow("other product id") << 0x0416 << 0xc345 << QVector<int>{0, 1, 2} << QString() << false;
        QTest::newRow("other vendor id") << 0x0c45 << 0xb23c << QVector<int>{0, 1, 2} << QString() << false;
        QTest::newRow("unplugged") << 0x0416 << 0xb23c << QVector<int>{0, 1, 2} << QString() << true;
    }
    void notFound()
    {
        QFETCH(int, vid);
        QFETCH(int, pid);
        QFETCH(QVector<int>, interfaces);
        QFETCH(QString, interface1Path);
        QFETCH(bool, unplugged);
        // Windows tells the interface by its path alone: there a path naming mi_02 is interface 2.
        if (!interface1Path.isEmpty() && QSysInfo::productType() == QLatin1String("windows"))
            QSKIP("the interface number is read from the path under Windows");

        SimKeyboardConfig config;
        config.vendorId = uint16_t(vid);
        config.productId = uint16_t(pid);
        config.interfaces.clear();
        for (int number : interfaces)
            config.interfaces.push_back({number, number == 1 ? interface1Path.toStdString() : std::string()});
        SimKeyboard kb = SimKeyboard::plugIn(config);
        if (unplugged)
            kb.unplug();

        MainHidInterFace *link = makeLink();
        QSignalSpy found(link, &MainHidInterFace::sigGetHidListSuccessful);
        link->getHidList();
        QCOMPARE(found.count(), 0);
        QCOMPARE(link->getHidPath(), QString());
        QVERIFY(link->getKeyboardInfoMap().isEmpty());
        QCOMPARE(link->hidOpenPath(), -1);
        QVERIFY(!link->isOpen());
        QVERIFY(!link->isHidPathPresent());
    }

    void identity_data()
    {
        QTest::addColumn<int>("buildTextFirstQueries");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<int>("failedOpens");
        QTest::addColumn<int>("reportLength");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("queries");

        const QString key = QStringLiteral("1-TAVRIN,K87");
        const QString value = QStringLiteral("V1.0.0---2024/1/5 10:11:12");
        const int bound = keyboardIdentity::kMaxQueries;
        QTest::newRow("name first") << 0 << true << 0 << 64 << key << value << 1;
        QTest::newRow("build time first, then name") << 1 << true << 0 << 64 << key << value << 2;
        QTest::newRow("build time until the last query") << bound - 1 << true << 0 << 64 << key << value << bound;
        QTest::newRow("build time always: gives up") << 1000 << true << 0 << 64 << QString() << QString() << bound;
        QTest::newRow("no answer") << 0 << false << 0 << 64 << QString() << QString() << 0;
        QTest::newRow("three opens fail, fourth works") << 0 << true << 3 << 64 << key << value << 1;
        QTest::newRow("four opens fail") << 0 << true << 4 << 64 << QString() << QString() << 0;
        QTest::newRow("answer of one byte") << 0 << true << 0 << 1 << QString() << QString() << 1;
        QTest::newRow("answer cut inside the name") << 0 << true << 0 << 12 << "1-TAVRIN,1-TAVRIN"
                                                    << "1-TAVRIN---Jan  5" << 1;
    }
    void identity()
    {
        QFETCH(int, buildTextFirstQueries);
        QFETCH(bool, answers);
        QFETCH(int, failedOpens);
        QFETCH(int, reportLength);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, queries);

        SimKeyboardConfig config;
        config.nameText = "TAVRIN,K87,V1.0.0";
        config.buildText = "Jan  5 2024,10:11:12";
        config.buildTextFirstQueries = buildTextFirstQueries;
        config.answerIdentity = answers;
        config.reportLength = reportLength;
        SimKeyboard kb = SimKeyboard::plugIn(config);
        kb.failNextOpens(failedOpens);

        MainHidInterFace *link = makeLink();
        QSignalSpy found(link, &MainHidInterFace::sigGetHidListSuccessful);
        link->getHidList();
        // The interface was found whatever became of the identity.
        QCOMPARE(found.count(), 1);
        QCOMPARE(kb.identityQueries(), queries);
        const QMap<QString, QString> info = link->getKeyboardInfoMap();
        if (key.isEmpty()) {
            QVERIFY(info.isEmpty());
        } else {
            QCOMPARE(info.size(), 1);
            QCOMPARE(info.firstKey(), key);
            QCOMPARE(info.first(), value);
        }
        QCOMPARE(SimKeyboard::stats().openHandles, 0);
    }

    void identityQueryFrame()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        makeLink()->getHidList();
        const auto written = kb.writtenReports();
        QCOMPARE(int(written.size()), 1);
        QCOMPARE(written[0].interfaceNumber, 2);
        std::vector<uint8_t> expected(64, 0);
        expected[0] = 0x01;
        expected[1] = 0x0D;
        QCOMPARE(written[0].bytes, expected);
    }

    void queueRefusedWhileClosed()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = makeLink();
        const auto light = report(0x12, 1);
        QCOMPARE(link->queueWriteData(light.data()), -1);
        QCOMPARE(link->pendingWriteCount(), 0);

        link->getHidList();
        QCOMPARE(link->hidOpenPath(), 0);
        QCOMPARE(link->queueWriteData(light.data()), 0);
        QCOMPARE(link->pendingWriteCount(), 1);
        link->closeHid();
        QCOMPARE(link->queueWriteData(light.data()), -1);
        // The one queued while open stays queued; the refused one was not added.
        QCOMPARE(link->pendingWriteCount(), 1);
        QCOMPARE(link->queueWriteData(nullptr), -1);
        // What a removed keyboard left queued goes when the window clears it.
        link->clearWriteQueue();
        QCOMPARE(link->pendingWriteCount(), 0);
    }

    void queueIsBounded()
    {
        SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = makeLink();
        link->getHidList();
        QCOMPARE(link->hidOpenPath(), 0);
        const auto handshake = report(0x01);
        for (int i = 0; i < MainHidInterFace::kMaxQueuedReports; ++i)
            QCOMPARE(link->queueWriteData(handshake.data()), 0);
        // A refusal the caller sees, not a report silently dropped.
        QCOMPARE(link->queueWriteData(handshake.data()), -1);
        QCOMPARE(link->pendingWriteCount(), MainHidInterFace::kMaxQueuedReports);
    }

    void queuedReportSurvivesCloseAndLeavesAfterReopen()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = makeLink();
        link->getHidList();
        QCOMPARE(link->hidOpenPath(), 0);
        const auto reset = report(0x14, 1);
        QCOMPARE(link->queueWriteData(reset.data()), 0);
        link->closeHid();
        QVERIFY(linkWrites(kb).empty());

        QCOMPARE(link->hidOpenPath(), 0);
        link->start();
        QTRY_COMPARE(int(linkWrites(kb).size()), 1);
        QCOMPARE(linkWrites(kb)[0].bytes, reset);
    }

    void closeTwice()
    {
        SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = makeLink();
        QSignalSpy closed(link, &MainHidInterFace::sigCloseHidSuccessful);
        QCOMPARE(link->closeHid(), 0);
        QCOMPARE(closed.count(), 0);

        link->getHidList();
        QCOMPARE(link->hidOpenPath(), 0);
        link->start();
        QCOMPARE(link->closeHid(), 0);
        QCOMPARE(closed.count(), 1);
        QVERIFY(link->isFinished());
        QCOMPARE(link->closeHid(), 0);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(SimKeyboard::stats().openHandles, 0);
    }

    void openFailure()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = makeLink();
        link->getHidList();
        kb.failNextOpens(1);
        QSignalSpy opened(link, &MainHidInterFace::sigOpenHidSuccessful);
        QCOMPARE(link->hidOpenPath(), -1);
        QCOMPARE(opened.count(), 0);
        QVERIFY(!link->isOpen());
        QCOMPARE(link->hidOpenPath(), 0);
        QCOMPARE(opened.count(), 1);
    }

    void reopenWhileOpenClosesTheOldHandle()
    {
        SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = connectLink();
        QVERIFY(link);
        QSignalSpy closed(link, &MainHidInterFace::sigCloseHidSuccessful);
        QCOMPARE(link->hidOpenPath(), 0);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(SimKeyboard::stats().openHandles, 1);
        link->start();
        QVERIFY(link->isRunning());
    }

    void shortRead_data()
    {
        QTest::addColumn<int>("length");
        QTest::newRow("one byte") << 1;
        QTest::newRow("five bytes") << 5;
        QTest::newRow("63 bytes") << 63;
        QTest::newRow("full report") << 64;
    }
    void shortRead()
    {
        QFETCH(int, length);
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = connectLink();
        QVERIFY(link);
        QSignalSpy received(m_sink.get(), &HidReportSink::sigReceived);
        std::vector<uint8_t> full(64, 0xAA);
        full[1] = 0x04;
        kb.sendReport(full.data(), length);
        QVERIFY(received.wait(2000));
        QCOMPARE(m_sink->reports.size(), 1);
        const HidReportSink::Received r = m_sink->reports.first();
        QCOMPARE(r.length, length);
        for (int i = 0; i < 64; ++i)
            QCOMPARE(uint8_t(r.bytes[i]), i < length ? full[size_t(i)] : uint8_t(0));
    }

    void reportsLeaveInQueueOrderAlternatingWithReads()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = makeLink();
        link->getHidList();
        QCOMPARE(link->hidOpenPath(), 0);
        // Reports the firmware does not answer, so nothing but the queue is read.
        const std::vector<std::vector<uint8_t>> queued = {report(0x12, 1), report(0x14, 1), report(0x21, 8, 1),
                                                          report(0x06, 1), report(0x05, 2)};
        for (const auto &r : queued)
            QCOMPARE(link->queueWriteData(r.data()), 0);
        link->start();
        QTRY_COMPARE(int(linkWrites(kb).size()), int(queued.size()));
        const auto written = linkWrites(kb);
        for (size_t i = 0; i < queued.size(); ++i) {
            QCOMPARE(written[i].bytes, queued[i]);
            // Write half first, then one read between each two writes.
            QCOMPARE(written[i].readsBefore, int(i));
        }
        QCOMPARE(link->pendingWriteCount(), 0);
    }

    void writeDataNowBypassesTheQueue()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = makeLink();
        const auto lightOff = report(0x12, 0);
        QCOMPARE(link->writeDataNow(lightOff.data()), -1); // closed: nothing written
        link->getHidList();
        QVERIFY(linkWrites(kb).empty());
        QCOMPARE(link->hidOpenPath(), 0);

        const auto first = report(0x14, 1);
        const auto second = report(0x21, 8, 1);
        QCOMPARE(link->queueWriteData(first.data()), 0);
        QCOMPARE(link->queueWriteData(second.data()), 0);
        QCOMPARE(link->writeDataNow(lightOff.data()), 0);
        QCOMPARE(int(linkWrites(kb).size()), 1);
        QCOMPARE(linkWrites(kb)[0].bytes, lightOff);
        QCOMPARE(link->pendingWriteCount(), 2);
        QCOMPARE(link->writeDataNow(nullptr), -1);

        link->start();
        QTRY_COMPARE(int(linkWrites(kb).size()), 3);
        QCOMPARE(linkWrites(kb)[1].bytes, first);
        QCOMPARE(linkWrites(kb)[2].bytes, second);
    }

    // A firmware that hangs takes no report: the trouble counts from the first
    // write that failed, and ends with the first one that goes through.
    void writeTroubleLastsUntilAWriteGoesThrough()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = connectLink();
        QVERIFY(link);
        const auto handshake = report(0x01);
        QCOMPARE(link->writeTroubleMs(), 0);
        kb.setHung(true);
        QCOMPARE(link->queueWriteData(handshake.data()), 0);
        QTRY_COMPARE(link->pendingWriteCount(), 0);
        QTRY_VERIFY(link->writeTroubleMs() >= 20);
        const std::int64_t before = link->writeTroubleMs();
        QCOMPARE(link->queueWriteData(handshake.data()), 0);
        QTRY_COMPARE(link->pendingWriteCount(), 0);
        QVERIFY(link->writeTroubleMs() >= before); // a second failure does not start it again
        kb.setHung(false);
        QCOMPARE(link->queueWriteData(handshake.data()), 0);
        QTRY_COMPARE(link->writeTroubleMs(), 0);
    }

    void answerArrivesOnTheGuiThread()
    {
        SimKeyboardConfig config;
        config.calibrated = true;
        SimKeyboard::plugIn(config);
        MainHidInterFace *link = connectLink();
        QVERIFY(link);
        QSignalSpy received(m_sink.get(), &HidReportSink::sigReceived);
        const auto handshake = report(0x01);
        QCOMPARE(link->queueWriteData(handshake.data()), 0);
        QVERIFY(received.wait(2000));
        const HidReportSink::Received answer = m_sink->reports.first();
        QCOMPARE(answer.thread, QCoreApplication::instance()->thread());
        QCOMPARE(uint8_t(answer.bytes[1]), uint8_t(0x01));
        QCOMPARE(uint8_t(answer.bytes[20]), uint8_t(1));
    }

    void unplugReportsOneReadFailureAndKeepsTheLinkUntilClose()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = connectLink();
        QVERIFY(link);
        QVERIFY(link->isHidPathPresent());
        // Counted on the GUI thread, as the window receives it.
        int failed = 0;
        connect(link, &MainHidInterFace::sigHidReadFailed, m_sink.get(), [&failed] { ++failed; });
        kb.unplug();
        QVERIFY(!link->isHidPathPresent());
        QTRY_COMPARE(failed, 1);
        QCOMPARE(link->writeDataNow(report(0x01).data()), -1);
        // Hundreds of further worker passes: no second signal.
        QTest::qWait(100);
        QCOMPARE(failed, 1);
        QVERIFY(link->isOpen());
        QVERIFY(link->isRunning());
    }

    void reportBuffersAreAllReleasedOverPlugCycles()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = makeLink();
        link->getHidList();
        const auto keyState = report(0x04, 1);
        for (int cycle = 0; cycle < 200; ++cycle) {
            QCOMPARE(link->hidOpenPath(), 0);
            link->start();
            kb.sendReport(keyState.data(), 64);
            QTRY_VERIFY(m_sink->reports.size() > cycle);
            kb.sendReport(keyState.data(), 64); // read, in flight or lost with the unplug
            kb.unplug();
            link->closeHid();
            kb.replug();
        }
        QCoreApplication::sendPostedEvents();
        QCOMPARE(MainHidInterFace::liveReportBuffers(), 0);
    }

    // A report read just before the link closes is still on its way to the
    // receiver: the close frees it, and the receiver, when the queued call
    // comes, finds nothing to take.
    void reportOnItsWayIsFreedAtClose()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = connectLink();
        QVERIFY(link);
        const auto keyState = report(0x04, 1);
        kb.sendReport(keyState.data(), 64);
        // Read and emitted; the queued call waits for this thread's event loop.
        for (int i = 0; i < 5000 && MainHidInterFace::liveReportBuffers() == 0; ++i)
            QThread::msleep(1);
        QCOMPARE(MainHidInterFace::liveReportBuffers(), 1);
        link->closeHid();
        QCOMPARE(MainHidInterFace::liveReportBuffers(), 0);
        QCoreApplication::sendPostedEvents();
        QVERIFY(m_sink->reports.isEmpty());
    }

    void closeFromAPoolThreadEmitsOnce()
    {
        SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = connectLink();
        QVERIFY(link);
        QSignalSpy closed(link, &MainHidInterFace::sigCloseHidSuccessful);
        // The window's close and a removal's pool task may race.
        std::thread pool([link] { link->closeHid(); });
        link->closeHid();
        pool.join();
        QCOMPARE(closed.count(), 1);
        QVERIFY(link->isFinished());
    }

    void identityReadWhileOpenKeepsTheLibraryUp()
    {
        SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = connectLink();
        QVERIFY(link);
        // A second enumeration (another arrival) reads the identity on its own
        // handle and closes it while the link's handle stays open.
        std::thread pool([link] { link->getHidList(); });
        pool.join();
        QCOMPARE(hidLibraryGuard::openHandleCount(), 1);
        QCOMPARE(SimKeyboard::stats().exitCallsWhileOpen, 0);
        const int exits = SimKeyboard::stats().exitCalls;
        link->closeHid();
        QCOMPARE(SimKeyboard::stats().exitCalls, exits + 1);
        QCOMPARE(hidLibraryGuard::openHandleCount(), 0);
    }

    void unsolicitedScriptArrivesInOrder()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = connectLink();
        QVERIFY(link);
        std::vector<SimKeyboard::Scripted> script;
        for (int i = 0; i < 20; ++i) {
            auto frame = sim::makeFrame(uint8_t(0x04 + i % 3), 0, {uint8_t(i)});
            script.push_back({i * 2, frame});
        }
        kb.playScript(script);
        QTRY_COMPARE(m_sink->reports.size(), 20);
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(uint8_t(m_sink->reports[i].bytes[1]), uint8_t(0x04 + i % 3));
            QCOMPARE(uint8_t(m_sink->reports[i].bytes[6]), uint8_t(i));
        }
        QCOMPARE(SimKeyboard::stats().droppedReports, 0);
    }

    void stressQueueReadAndCloseMidTraffic()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        MainHidInterFace *link = connectLink();
        QVERIFY(link);

        std::atomic<bool> feeding{true};
        std::thread feeder([&] {
            std::vector<uint8_t> keyState = sim::makeFrame(0x04, 9);
            for (int i = 0; feeding.load() && i < 100000; ++i) {
                keyState[8] = uint8_t(i);
                kb.sendReport(keyState.data(), 64);
                QThread::usleep(200);
            }
        });

        // Numbered reports from the GUI thread; a pool task closes the link
        // in the middle of the traffic.
        int accepted = 0;
        std::thread closer;
        for (int i = 0; i < 3000; ++i) {
            std::vector<uint8_t> r = sim::makeFrame(0x14, 0, {uint8_t(i & 0xff), uint8_t(i >> 8)});
            if (link->queueWriteData(r.data()) == 0)
                ++accepted;
            if (i == 1500)
                closer = std::thread([link] { link->closeHid(); });
            if (i % 50 == 0)
                QCoreApplication::processEvents();
            QThread::usleep(50);
        }
        closer.join();
        QCoreApplication::processEvents();
        const int readWhileOpen = m_sink->reports.size();
        feeding = false;
        feeder.join();
        QVERIFY(!link->isOpen());
        QVERIFY(link->isFinished());

        // Nothing lost: what was not written is still queued, and it leaves
        // in order once the link is open again.
        const int writtenBeforeClose = int(linkWrites(kb).size());
        QCOMPARE(writtenBeforeClose + link->pendingWriteCount(), accepted);
        QCOMPARE(link->hidOpenPath(), 0);
        link->start();
        QTRY_COMPARE_WITH_TIMEOUT(int(linkWrites(kb).size()), accepted, 10000);
        const auto written = linkWrites(kb);
        int previous = -1;
        for (const auto &w : written) {
            const int number = w.bytes[6] | (w.bytes[7] << 8);
            QVERIFY(number > previous);
            previous = number;
        }
        QVERIFY(readWhileOpen > 0);
    }
};

QTEST_MAIN(tst_mainHidInterFace)
#include "tst_mainHidInterFace.moc"
