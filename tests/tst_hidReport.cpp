#include "hidReport.h"

#include <QtTest>

Q_DECLARE_METATYPE(HidReport)

namespace {

// "01 12 00 ..." -> a full report, the rest zero.
HidReport fromHex(const char *hex)
{
    HidReport r{};
    const QList<QByteArray> bytes = QByteArray(hex).simplified().split(' ');
    for (int i = 0; i < bytes.size() && i < HidReportSize; ++i)
        r[i] = static_cast<std::uint8_t>(bytes[i].toUInt(nullptr, 16));
    return r;
}

QString toHex(const HidReport &r)
{
    return QByteArray(reinterpret_cast<const char *>(r.data()), int(r.size())).toHex(' ');
}

} // namespace

class tst_hidReport : public QObject
{
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void fullKeyEchoesOnlyItsThirteenBytes();
};

void tst_hidReport::frames_data()
{
    QTest::addColumn<HidReport>("built");
    QTest::addColumn<HidReport>("expected");

    const std::uint8_t shiftAndA[8] = {0x02, 0x00, 0x04, 0, 0, 0, 0, 0};

    QTest::newRow("handshake") << buildShakeHandsReport() << fromHex("01 01");
    QTest::newRow("identity query") << buildDeviceInfoReport() << fromHex("01 0d");
    QTest::newRow("layout query") << buildGetLayoutReport() << fromHex("01 10");
    QTest::newRow("key check") << buildCheckLayoutReport() << fromHex("01 0e");
    QTest::newRow("reset") << buildResetReport() << fromHex("01 14 00 00 00 00 01");
    QTest::newRow("magnetic enter") << buildMagneticReport(false) << fromHex("01 21 00 00 00 18 08 00");
    QTest::newRow("magnetic leave") << buildMagneticReport(true) << fromHex("01 21 00 00 00 18 08 01");
    QTest::newRow("light off") << buildLedReport(lightSettingForTestType(99))
                               << fromHex("01 12 00 00 00 0B 00 01 FF 00 00 00 FF 00 00 00 FF");
    QTest::newRow("light RGB") << buildLedReport(lightSettingForTestType(0))
                               << fromHex("01 12 00 00 00 0B 01 03 FF 00 00 00 FF 00 00 00 FF");
    QTest::newRow("light R") << buildLedReport(lightSettingForTestType(1))
                             << fromHex("01 12 00 00 00 0B 01 01 FF 00 00 00 FF 00 00 00 FF");
    QTest::newRow("light G") << buildLedReport(lightSettingForTestType(2))
                             << fromHex("01 12 00 00 00 0B 01 01 00 FF 00 00 FF 00 00 00 FF");
    QTest::newRow("light B") << buildLedReport(lightSettingForTestType(3))
                             << fromHex("01 12 00 00 00 0B 01 01 00 00 FF 00 FF 00 00 00 FF");
    QTest::newRow("light W") << buildLedReport(lightSettingForTestType(4))
                             << fromHex("01 12 00 00 00 0B 01 01 FF FF FF 00 FF 00 00 00 FF");
    QTest::newRow("light unknown type is red")
        << buildLedReport(lightSettingForTestType(7)) << fromHex("01 12 00 00 00 0B 01 01 FF 00 00 00 FF 00 00 00 FF");
    QTest::newRow("six-key Left Shift + A")
        << buildSixKeyReport(shiftAndA) << fromHex("01 04 00 00 00 09 02 00 04 00 00 00 00 00");
    QTest::newRow("multimedia 1 2 3") << buildMultimediaReport(1, 2, 3) << fromHex("01 06 00 00 00 03 01 02 03");
    QTest::newRow("multimedia keeps low bytes")
        << buildMultimediaReport(0x1FF, -1, 256) << fromHex("01 06 00 00 00 03 FF FF 00");
}

void tst_hidReport::frames()
{
    QFETCH(HidReport, built);
    QFETCH(HidReport, expected);
    QCOMPARE(toHex(built), toHex(expected));
}

void tst_hidReport::fullKeyEchoesOnlyItsThirteenBytes()
{
    HidReport answer;
    for (int i = 0; i < HidReportSize; ++i)
        answer[i] = static_cast<std::uint8_t>(0xA0 + i);
    const HidReport echo = buildFullKeyReport(answer.data());
    HidReport expected = fromHex("01 05 00 00 00 15");
    for (int i = 6; i <= 18; ++i)
        expected[i] = answer[i];
    QCOMPARE(toHex(echo), toHex(expected));
}

QTEST_APPLESS_MAIN(tst_hidReport)
#include "tst_hidReport.moc"
