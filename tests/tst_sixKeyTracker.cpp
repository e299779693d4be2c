#include "sixKeyTracker.h"

#include <QtTest>

class tst_sixKeyTracker : public QObject
{
    Q_OBJECT

private slots:
    void keyStates_data()
    {
        QTest::addColumn<QByteArrayList>("answers"); // bytes 6-13 of consecutive key-state answers
        QTest::addColumn<QByteArray>("sixKey");

        const QByteArray six = "00 00 04 05 06 07 08 09";
        QTest::newRow("Left Shift and A") << QByteArrayList{"02 00 04"} << QByteArray("02 00 04 00 00 00 00 00");
        QTest::newRow("all released") << QByteArrayList{"02 00 04", "00"} << QByteArray("00 00 00 00 00 00 00 00");
        QTest::newRow("press order, not position")
            << QByteArrayList{"00 00 00 04", "00 00 05 04"} << QByteArray("00 00 04 05 00 00 00 00");
        QTest::newRow("reserved byte not echoed")
            << QByteArrayList{"00 ff 04"} << QByteArray("00 00 04 00 00 00 00 00");
        QTest::newRow("modifier usage in a slot")
            << QByteArrayList{"00 00 e1"} << QByteArray("02 00 00 00 00 00 00 00");
        QTest::newRow("modifier press before release")
            << QByteArrayList{"00 00 e1", "02"} << QByteArray("00 00 00 00 00 00 00 00");
        QTest::newRow("release closes the gap")
            << QByteArrayList{"00 00 04 05 06", "00 00 04 06"} << QByteArray("00 00 04 06 00 00 00 00");
        QTest::newRow("release of the sixth slot")
            << QByteArrayList{six, "00 00 04 05 06 07 08"} << QByteArray("00 00 04 05 06 07 08 00");
        QTest::newRow("seventh key: press before release")
            << QByteArrayList{six, "00 00 0a 05 06 07 08 09"} << QByteArray("00 00 05 06 07 08 09 00");
        // "+u" / "-u": one press or release on its own, as no answer of six slots can bring a seventh key.
        QTest::newRow("seventh key alone leaves the report and its count as they were")
            << QByteArrayList{six, "+0a", "-04", "+0b"} << QByteArray("00 00 05 06 07 08 09 0b");
        QTest::newRow("usage named twice held once")
            << QByteArrayList{"00 00 04 04", "00 00 04", "00"} << QByteArray("00 00 00 00 00 00 00 00");
    }

    void keyStates()
    {
        QFETCH(QByteArrayList, answers);
        SixKeyTracker tracker;
        for (const QByteArray &answer : answers) {
            if (answer.startsWith('+') || answer.startsWith('-')) {
                tracker.updateSixKeyReport(answer.mid(1).toInt(nullptr, 16), answer.startsWith('+'));
                continue;
            }
            std::array<std::uint8_t, 8> now{};
            const QByteArray raw = QByteArray::fromHex(answer);
            std::copy(raw.begin(), raw.end(), now.begin());
            tracker.applyKeyState(now);
        }
        QTEST(QByteArray(reinterpret_cast<const char *>(tracker.sixKeyReport().data()), 8).toHex(' '), "sixKey");
    }

    void key1010_data()
    {
        QTest::addColumn<QByteArray>("byte14");
        QTest::addColumn<QByteArray>("marks"); // N none, D down, R released

        QTest::newRow("held over three answers") << QByteArray("\1\1\1") << QByteArray("DRD");
        QTest::newRow("tapped") << QByteArray("\0\1\0\0", 4) << QByteArray("NDRN");
        QTest::newRow("any non-zero byte") << QByteArray("\x80") << QByteArray("D");
    }

    void key1010()
    {
        QFETCH(QByteArray, byte14);
        SixKeyTracker tracker;
        QByteArray marks;
        for (char b : byte14)
            marks += "NDR"[int(tracker.applyKey1010(std::uint8_t(b)))];
        QTEST(marks, "marks");
    }

    void specialKeyDec_data()
    {
        QTest::addColumn<int>("modifierBit");
        QTest::addColumn<int>("usage");

        QTest::newRow("1") << 1 << 224;
        QTest::newRow("128") << 128 << 231;
        QTest::newRow("0") << 0 << -1;
        QTest::newRow("two bits") << 3 << -1;
        QTest::newRow("256") << 256 << -1;
    }

    void specialKeyDec()
    {
        QFETCH(int, modifierBit);
        QTEST(::specialKeyDec(modifierBit), "usage");
    }
};

QTEST_APPLESS_MAIN(tst_sixKeyTracker)
#include "tst_sixKeyTracker.moc"
