#include "hidAnswer.h"

#include <QtTest>

namespace {

// Byte i of the frame holds i, so every copied field shows where it was read from.
QByteArray frame(int code, int byte6 = 6, int byte7 = 7, int size = HidReportSize)
{
    QByteArray f(HidReportSize, 0);
    for (int i = 0; i < f.size(); ++i)
        f[i] = char(i);
    f[1] = char(code), f[6] = char(byte6), f[7] = char(byte7);
    return f.left(size);
}

template <typename Bytes> QByteArray hex(const Bytes &bytes)
{
    QByteArray raw;
    for (auto b : bytes)
        raw += char(b);
    while (raw.endsWith('\0'))
        raw.chop(1);
    return raw.toHex(' ');
}

QByteArray fieldsOf(const HidAnswer &a)
{
    switch (a.kind) {
    case HidAnswerKind::Handshake:
        return QByteArray::number(a.calibrated);
    case HidAnswerKind::KeyState:
        return hex(a.keyState) + " | " + QByteArray::number(a.key1010);
    case HidAnswerKind::FullKey:
        return hex(a.report);
    case HidAnswerKind::Calibration:
        return QByteArray::number(a.calibrationStatus) + " | " + hex(a.columns);
    case HidAnswerKind::Multimedia:
        return hex(a.multimedia);
    default:
        return hex(a.columns);
    }
}

} // namespace

class tst_hidAnswer : public QObject
{
    Q_OBJECT

private slots:
    void lengths_data()
    {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("minimum");

        using K = HidAnswerKind;
        const struct
        {
            const char *name;
            int code, byte6, byte7, minimum;
            K kind;
        } codes[] = {{"handshake", 0x01, 6, 7, 21, K::Handshake},
                     {"key state", 0x04, 6, 7, 15, K::KeyState},
                     {"full key", 0x05, 6, 7, 19, K::FullKey},
                     {"layout row", 0x10, 6, 7, 28, K::LayoutRow},
                     {"key check", 0x0E, 6, 7, 28, K::KeyCheck},
                     {"calibration 0", 0x21, 8, 0, 30, K::Calibration},
                     {"calibration 1", 0x21, 8, 1, 30, K::Calibration},
                     {"calibration 2", 0x21, 8, 2, 8, K::Calibration},
                     {"calibration 9", 0x21, 8, 9, 8, K::Calibration},
                     {"multimedia", 0x06, 6, 7, 9, K::Multimedia},
                     {"identity", 0x0D, 6, 7, 2, K::Other},
                     {"unknown code", 0x33, 6, 7, 2, K::Other}};
        for (const auto &c : codes) {
            const QByteArray f = frame(c.code, c.byte6, c.byte7);
            QTest::addRow("%s at %d", c.name, c.minimum) << f.left(c.minimum) << c.minimum << int(c.kind) << c.minimum;
            QTest::addRow("%s at %d", c.name, c.minimum - 1)
                << f.left(c.minimum - 1) << c.minimum - 1 << int(K::TooShort) << c.minimum;
        }
        // Byte 6 tells a calibration result from other 0x21 traffic, which needs no more than its code.
        QTest::newRow("magnetic result at 7") << frame(0x21, 8, 0, 7) << 7 << int(K::TooShort) << 8;
        QTest::newRow("magnetic other at 7") << frame(0x21, 7, 0, 7) << 7 << int(K::Other) << 2;
        QTest::newRow("magnetic at 6, byte 6 not read") << frame(0x21, 7, 0, 6) << 6 << int(K::TooShort) << 8;
        QTest::newRow("length 0") << QByteArray() << 0 << int(K::TooShort) << 2;
        QTest::newRow("negative length") << QByteArray() << -5 << int(K::TooShort) << 2;
        QTest::newRow("length past 64 reads 64") << frame(0x01) << 200 << int(K::Handshake) << 21;
    }

    void lengths()
    {
        QFETCH(QByteArray, report);
        QFETCH(int, length);
        // Exactly the bytes read, so a sanitizer build catches any read past them.
        const std::vector<std::uint8_t> bytes(report.begin(), report.end());
        const HidAnswer a = decodeHidAnswer(bytes.data(), length);
        QTEST(int(a.kind), "kind");
        QTEST(a.minimumLength, "minimum");
        QCOMPARE(a.length, report.size());
    }

    void fields_data()
    {
        QTest::addColumn<QByteArray>("report");
        QTest::addColumn<QByteArray>("fields");

        const QByteArray from6 = "06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16 17 18 19 1a 1b";
        QByteArray calibrated = frame(0x01);
        calibrated[20] = 1;
        QTest::newRow("handshake byte 20 = 1") << calibrated << QByteArray("1");
        QTest::newRow("handshake byte 20 = 20") << frame(0x01) << QByteArray("0");
        QTest::newRow("key state") << frame(0x04) << QByteArray("06 07 08 09 0a 0b 0c 0d | 14");
        QTest::newRow("full key, zeros past length")
            << frame(0x05, 6, 7, 19) << QByteArray("00 05 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12");
        QTest::newRow("layout row") << frame(0x10) << from6;
        QTest::newRow("key check") << frame(0x0E) << from6;
        QTest::newRow("calibration masks from byte 8")
            << frame(0x21, 8, 1) << QByteArray("1 | 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d");
        QTest::newRow("calibration 2 without masks") << frame(0x21, 8, 2) << QByteArray("2 | ");
        QTest::newRow("multimedia") << frame(0x06, 1, 2) << QByteArray("01 02 08");
    }

    void fields()
    {
        QFETCH(QByteArray, report);
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(report.constData());
        QTEST(fieldsOf(decodeHidAnswer(bytes, report.size())), "fields");
    }
};

QTEST_APPLESS_MAIN(tst_hidAnswer)
#include "tst_hidAnswer.moc"
