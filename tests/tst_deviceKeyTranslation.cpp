#include "deviceKeyTranslation.h"

#include <QtTest>

#include <linux/input-event-codes.h>

// The unit's input events, as a node delivers them frame by frame, to the key
// events handed on. Codes from the kernel's own header.
class tst_deviceKeyTranslation : public QObject
{
    Q_OBJECT

private slots:
    void translate_data()
    {
        // "type code value" per event; an event's time is its position in ms.
        QTest::addColumn<QList<QVector<int>>>("input");
        // Per key handed on: "vk scan flags ctrl time-us device-scan lock-toggled".
        QTest::addColumn<QStringList>("keys");
        const QVector<int> syn{EV_SYN, SYN_REPORT, 0}, scanA{EV_MSC, MSC_SCAN, 0x70004};

        QTest::newRow("press, release: scan codes, the kernel's times")
            << QList<QVector<int>>{scanA, {EV_KEY, KEY_A, 1}, syn, scanA, {EV_KEY, KEY_A, 0}, syn}
            << QStringList{"65 30 0 0 2000 458756 0", "65 30 128 0 5000 458756 0"};
        QTest::newRow("repeats never handed on")
            << QList<QVector<int>>{{EV_KEY, KEY_A, 1}, syn, {EV_KEY, KEY_A, 2}, syn}
            << QStringList{"65 30 0 0 1000 0 0"};
        QTest::newRow("a scan code stays in its frame")
            << QList<QVector<int>>{scanA, syn, {EV_KEY, KEY_B, 1}} << QStringList{"66 48 0 0 3000 0 0"};
        QTest::newRow("Ctrl held") << QList<QVector<int>>{{EV_KEY, KEY_LEFTCTRL, 1}, {EV_KEY, KEY_SPACE, 1}}
                                   << QStringList{"162 29 0 1 1000 0 0", "32 57 0 1 2000 0 0"};
        QTest::newRow("keypad follows the unit's Num Lock")
            << QList<QVector<int>>{{EV_KEY, KEY_KP7, 1}, {EV_KEY, KEY_NUMLOCK, 1}, {EV_KEY, KEY_KP7, 1}}
            << QStringList{"36 71 0 0 1000 0 0", "144 69 1 0 2000 0 1", "103 71 0 0 3000 0 0"};
        QTest::newRow("a lock toggles once per press") << QList<QVector<int>>{{EV_KEY, KEY_SCROLLLOCK, 1},
                                                                              {EV_KEY, KEY_SCROLLLOCK, 2},
                                                                              {EV_KEY, KEY_SCROLLLOCK, 0}}
                                                       << QStringList{"145 70 0 0 1000 0 1", "145 70 128 0 3000 0 0"};
        QTest::newRow("no Windows key: handed on to be logged")
            << QList<QVector<int>>{{EV_KEY, KEY_PROG1, 1}} << QStringList{"0 0 0 0 1000 0 0"};
        QTest::newRow("LEDs, axes, odd values: no keys")
            << QList<QVector<int>>{{EV_LED, LED_CAPSL, 1}, {EV_REL, REL_X, 1}, {EV_KEY, KEY_A, 7}, {EV_KEY, KEY_A, -1}}
            << QStringList();
    }
    void translate()
    {
        QFETCH(QList<QVector<int>>, input);
        QFETCH(QStringList, keys);
        DeviceKeyTranslator translator;
        QStringList handed;
        for (int i = 0; i < input.size(); ++i) {
            const InputEventRecord e{std::uint16_t(input[i][0]), std::uint16_t(input[i][1]), input[i][2],
                                     std::int64_t(i + 1) * 1000};
            DeviceKeyEvent k;
            if (translator.handle(e, &k))
                handed << QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                              .arg(k.key.vkCode)
                              .arg(k.key.scanCode)
                              .arg(k.key.flags)
                              .arg(int(k.ctrlDown))
                              .arg(k.timeUs)
                              .arg(k.deviceScan)
                              .arg(int(k.lockToggled));
        }
        QCOMPARE(handed, keys);
        QCOMPARE(translator.locks().isToggled(145), keys.size() == 2 && keys[0].startsWith("145"));
    }
};

QTEST_GUILESS_MAIN(tst_deviceKeyTranslation)
#include "tst_deviceKeyTranslation.moc"
