#include "deviceKeyTranslation.h"

#include <QtTest>

#include <linux/input-event-codes.h>

// The unit's input events, as a node delivers them frame by frame, to the
// key events handed on. Codes from the kernel's own header.
class tst_deviceKeyTranslation : public QObject
{
    Q_OBJECT

    // One row's events: "type code value" triples, time = position * 1000 µs.
    static std::vector<InputEventRecord> events(const QList<QVector<int>> &triples)
    {
        std::vector<InputEventRecord> out;
        for (const QVector<int> &t : triples) {
            InputEventRecord e;
            e.type = std::uint16_t(t[0]);
            e.code = std::uint16_t(t[1]);
            e.value = t[2];
            e.timeUs = std::int64_t(out.size() + 1) * 1000;
            out.push_back(e);
        }
        return out;
    }

private slots:
    void translate_data()
    {
        QTest::addColumn<QList<QVector<int>>>("input");
        // Each key handed on: "vk scan flags ctrl time deviceScan lockToggled".
        QTest::addColumn<QStringList>("keys");
        const QVector<int> syn{EV_SYN, SYN_REPORT, 0};

        QTest::newRow("press and release with their scan codes, at the kernel's times")
            << QList<QVector<int>>{{EV_MSC, MSC_SCAN, 0x70004}, {EV_KEY, KEY_A, 1}, syn,
                                   {EV_MSC, MSC_SCAN, 0x70004}, {EV_KEY, KEY_A, 0}, syn}
            << QStringList{"65 30 0 0 2000 458756 0", "65 30 128 0 5000 458756 0"};
        QTest::newRow("repeats never handed on")
            << QList<QVector<int>>{{EV_KEY, KEY_A, 1}, syn, {EV_KEY, KEY_A, 2}, syn, {EV_KEY, KEY_A, 2}, syn}
            << QStringList{"65 30 0 0 1000 0 0"};
        QTest::newRow("a scan code stays in its frame")
            << QList<QVector<int>>{{EV_MSC, MSC_SCAN, 0x70004}, syn, {EV_KEY, KEY_B, 1}}
            << QStringList{"66 48 0 0 3000 0 0"};
        QTest::newRow("Ctrl held") << QList<QVector<int>>{{EV_KEY, KEY_LEFTCTRL, 1}, {EV_KEY, KEY_SPACE, 1}}
                                   << QStringList{"162 29 0 1 1000 0 0", "32 57 0 1 2000 0 0"};
        QTest::newRow("keypad follows the unit's Num Lock")
            << QList<QVector<int>>{{EV_KEY, KEY_KP7, 1}, {EV_KEY, KEY_NUMLOCK, 1}, {EV_KEY, KEY_KP7, 1}}
            << QStringList{"36 71 0 0 1000 0 0", "144 69 1 0 2000 0 1", "103 71 0 0 3000 0 0"};
        QTest::newRow("Caps Lock toggles the unit's lock once per press")
            << QList<QVector<int>>{{EV_KEY, KEY_CAPSLOCK, 1}, {EV_KEY, KEY_CAPSLOCK, 2}, {EV_KEY, KEY_CAPSLOCK, 0}}
            << QStringList{"20 58 0 0 1000 0 1", "20 58 128 0 3000 0 0"};
        QTest::newRow("a key without a Windows key is handed on to be logged")
            << QList<QVector<int>>{{EV_KEY, KEY_PROG1, 1}} << QStringList{"0 0 0 0 1000 0 0"};
        QTest::newRow("LEDs, relative axes and odd values are no keys")
            << QList<QVector<int>>{{EV_LED, LED_CAPSL, 1}, {EV_REL, REL_X, 1}, {EV_KEY, KEY_A, 7}, {EV_KEY, KEY_A, -1}}
            << QStringList();
    }
    void translate()
    {
        QFETCH(QList<QVector<int>>, input);
        QFETCH(QStringList, keys);
        DeviceKeyTranslator translator;
        QStringList handed;
        for (const InputEventRecord &e : events(input)) {
            DeviceKeyEvent key;
            if (translator.handle(e, &key))
                handed << QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                              .arg(key.key.vkCode)
                              .arg(key.key.scanCode)
                              .arg(key.key.flags)
                              .arg(int(key.ctrlDown))
                              .arg(key.timeUs)
                              .arg(key.deviceScan)
                              .arg(int(key.lockToggled));
        }
        QCOMPARE(handed, keys);
    }
};

QTEST_GUILESS_MAIN(tst_deviceKeyTranslation)
#include "tst_deviceKeyTranslation.moc"
