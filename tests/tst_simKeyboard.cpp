// The simulated keyboard honours the frames the tool relies on; other tests
// trust it, so its answers are pinned here.

#include "simKeyboard.h"

#include <QtTest>

#include <hidapi.h>

using sim::SimKeyboard;
using sim::SimKeyboardConfig;

namespace {

struct Read
{
    int length;
    std::vector<uint8_t> bytes;
};

std::vector<Read> drain(hid_device *dev, int limit = 100)
{
    std::vector<Read> out;
    for (int i = 0; i < limit; ++i) {
        unsigned char buf[64] = {};
        const int n = hid_read(dev, buf, 64);
        if (n <= 0)
            break;
        out.push_back({n, std::vector<uint8_t>(buf, buf + 64)});
    }
    return out;
}

hid_device *openInterface(const SimKeyboard &kb, int number)
{
    hid_device *found = nullptr;
    hid_device_info *list = hid_enumerate(0, 0);
    for (hid_device_info *e = list; e; e = e->next) {
        if (e->interface_number == number &&
            std::string(e->path).find(":" + std::to_string(kb.id()) + ":") != std::string::npos) {
            found = hid_open_path(e->path);
            break;
        }
    }
    hid_free_enumeration(list);
    if (found)
        hid_set_nonblocking(found, 1);
    return found;
}

} // namespace

class tst_simKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void init() { SimKeyboard::resetAll(); }

    void answers_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("answerCodes");
        QTest::addColumn<int>("checkByte");
        QTest::addColumn<int>("checkValue");

        auto cmd = [](uint8_t code, uint8_t b6 = 0, uint8_t b7 = 0) {
            const std::vector<uint8_t> f = sim::makeFrame(code, 0, {b6, b7});
            return QByteArray(reinterpret_cast<const char *>(f.data()), 64);
        };
        QTest::newRow("handshake, byte 20 calibrated") << cmd(0x01) << QByteArray("\x01", 1) << 20 << 1;
        QTest::newRow("layout: six rows") << cmd(0x10) << QByteArray(6, '\x10') << 6 << 0x29;
        QTest::newRow("key check: masks") << cmd(0x0E) << QByteArray("\x0e", 1) << 9 << 0x11;
        QTest::newRow("magnetic enter: progress then verdict")
            << cmd(0x21, 0x08, 0x00) << QByteArray("\x21\x21\x21", 3) << 6 << 0x08;
        QTest::newRow("magnetic leave: no answer") << cmd(0x21, 0x08, 0x01) << QByteArray() << -1 << 0;
        QTest::newRow("light: no answer") << cmd(0x12, 1) << QByteArray() << -1 << 0;
        QTest::newRow("reset: no answer") << cmd(0x14, 1) << QByteArray() << -1 << 0;
        QTest::newRow("identity: name then build time") << cmd(0x0D) << QByteArray("\x0d\x0d", 2) << 6 << int('T');
        QTest::newRow("wrong report id: no answer")
            << QByteArray(64, '\0').replace(1, 1, "\x01", 1) << QByteArray() << -1 << 0;
    }
    void answers()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, answerCodes);
        QFETCH(int, checkByte);
        QFETCH(int, checkValue);

        SimKeyboardConfig config;
        config.calibrated = true;
        config.layout[0][0] = 0x29;
        config.keyCheckMasks[3] = 0x11;
        config.magneticProgressAnswers = 2;
        SimKeyboard kb = SimKeyboard::plugIn(config);
        hid_device *dev = openInterface(kb, 2);
        QVERIFY(dev);
        QCOMPARE(hid_write(dev, reinterpret_cast<const unsigned char *>(command.constData()), 64), 64);
        const std::vector<Read> got = drain(dev);
        QCOMPARE(int(got.size()), answerCodes.size());
        for (size_t i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].length, 64);
            QCOMPARE(got[i].bytes[0], uint8_t(0x01));
            QCOMPARE(got[i].bytes[1], uint8_t(answerCodes[int(i)]));
        }
        if (checkByte >= 0)
            QCOMPARE(int(got[0].bytes[size_t(checkByte)]), checkValue);
        hid_close(dev);
    }

    void magneticStatusSequence()
    {
        SimKeyboardConfig config;
        config.magneticProgressAnswers = 3;
        config.magneticVerdict = 2;
        SimKeyboard kb = SimKeyboard::plugIn(config);
        hid_device *dev = openInterface(kb, 2);
        QVERIFY(dev);
        const std::vector<uint8_t> enter = sim::makeFrame(0x21, 0x18, {0x08, 0x00});
        hid_write(dev, enter.data(), 64);
        const std::vector<Read> got = drain(dev);
        QCOMPARE(int(got.size()), 4);
        QCOMPARE(int(got[0].bytes[7]), 1);
        QCOMPARE(int(got[2].bytes[7]), 1);
        QCOMPARE(int(got[3].bytes[7]), 2);
        hid_close(dev);
    }

    void otherInterfacesDoNotAnswer()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        hid_device *dev = openInterface(kb, 0);
        QVERIFY(dev);
        const std::vector<uint8_t> handshake = sim::makeFrame(0x01);
        QCOMPARE(hid_write(dev, handshake.data(), 64), 64);
        QVERIFY(drain(dev).empty());
        QCOMPARE(int(kb.writtenReports().size()), 1);
        QCOMPARE(kb.writtenReports()[0].interfaceNumber, 0);
        hid_close(dev);
    }

    void fullQueueDropsTheNewest()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        hid_device *dev = openInterface(kb, 2);
        QVERIFY(dev);
        for (int i = 0; i < sim::kInputQueueDepth + 5; ++i) {
            std::vector<uint8_t> r = sim::makeFrame(0x04, 0, {uint8_t(i)});
            kb.sendReport(r.data(), 64);
        }
        const std::vector<Read> got = drain(dev, 1000);
        QCOMPARE(int(got.size()), sim::kInputQueueDepth);
        QCOMPARE(int(got.back().bytes[6]), sim::kInputQueueDepth - 1);
        QCOMPARE(SimKeyboard::stats().droppedReports, 5);
        hid_close(dev);
    }

    void unplugAndReplug()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        hid_device *dev = openInterface(kb, 2);
        QVERIFY(dev);
        kb.unplug();
        unsigned char buf[64];
        QCOMPARE(hid_read(dev, buf, 64), -1);
        QCOMPARE(hid_write(dev, buf, 64), -1);
        QVERIFY(hid_enumerate(0, 0) == nullptr);
        kb.replug();
        // The old handle belongs to the device as it was before the unplug.
        QCOMPARE(hid_read(dev, buf, 64), -1);
        hid_device *again = openInterface(kb, 2);
        QVERIFY(again);
        QCOMPARE(hid_read(again, buf, 64), 0);
        hid_close(again);
        hid_close(dev);
        QCOMPARE(SimKeyboard::stats().openHandles, 0);
    }

    void failNextOpens()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        kb.failNextOpens(2);
        QVERIFY(!openInterface(kb, 2));
        QVERIFY(!openInterface(kb, 1));
        hid_device *dev = openInterface(kb, 2);
        QVERIFY(dev);
        hid_close(dev);
    }

    void blockingReadWaitsForADelayedReport()
    {
        SimKeyboard kb = SimKeyboard::plugIn(SimKeyboardConfig());
        hid_device *dev = openInterface(kb, 2);
        QVERIFY(dev);
        hid_set_nonblocking(dev, 0);
        std::vector<uint8_t> r = sim::makeFrame(0x05);
        kb.sendReport(r.data(), 64, 30);
        unsigned char buf[64];
        QCOMPARE(hid_read_timeout(dev, buf, 64, 5), 0);
        QCOMPARE(hid_read_timeout(dev, buf, 64, 2000), 64);
        QCOMPARE(int(buf[1]), 0x05);
        hid_close(dev);
    }

    void stringsAndErrors()
    {
        SimKeyboardConfig config;
        config.manufacturer = L"Maker";
        config.product = L"A rather long product name";
        SimKeyboard kb = SimKeyboard::plugIn(config);
        hid_device *dev = openInterface(kb, 2);
        QVERIFY(dev);
        wchar_t text[8];
        QCOMPARE(hid_get_manufacturer_string(dev, text, 8), 0);
        QCOMPARE(QString::fromWCharArray(text), QStringLiteral("Maker"));
        QCOMPARE(hid_get_product_string(dev, text, 8), 0);
        QCOMPARE(QString::fromWCharArray(text), QStringLiteral("A rathe"));
        QVERIFY(!hid_open_path("no such path"));
        QVERIFY(QString::fromWCharArray(hid_error(nullptr)).contains(QStringLiteral("no such")));
        hid_close(dev);
    }
};

QTEST_APPLESS_MAIN(tst_simKeyboard)
#include "tst_simKeyboard.moc"
