#include "deviceChange.h"

#include <QtTest>

#include <vector>

using namespace deviceChange;

Q_DECLARE_METATYPE(std::vector<deviceChange::UdevEvent>)

namespace {

void put32(QByteArray &bytes, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

// An interface record laid out byte by byte as Windows sends it; declaredSize
// -1 writes the record's true size into its size field.
QByteArray interfaceRecord(quint32 deviceType, const QString &name, bool terminated, int declaredSize)
{
    QByteArray bytes(int(kNameOffset), '\0');
    put32(bytes, 4, deviceType);
    for (int i = 12; i < 28; ++i)
        bytes[i] = char(0xA0 + i); // a class GUID, never looked at
    for (QChar c : name) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    if (terminated)
        bytes.append(2, '\0');
    put32(bytes, 0, declaredSize < 0 ? quint32(bytes.size()) : quint32(declaredSize));
    return bytes;
}

const QString kUsbPath =
    QStringLiteral("\\\\?\\USB#VID_0416&PID_B23C#6&2a1b&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
const std::string kDevpath = "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
const QString kUdevPath = QStringLiteral("usb#vid_0416&pid_b23c#") + QString::fromStdString(kDevpath);

UdevEvent usbDevice(const std::string &action, const std::string &product, const std::string &idVendor = {},
                    const std::string &idModel = {}, const std::string &devpath = kDevpath)
{
    return {action, "usb", "usb_device", devpath, product, idVendor, idModel};
}

// What the kernel and udev report for one plug of the keyboard.
std::vector<UdevEvent> plugBurst()
{
    return {usbDevice("add", "416/b23c/100", "0416", "b23c"),
            {"add", "usb", "usb_interface", kDevpath + "/1-2:1.0", "416/b23c/100", "0416", "b23c"},
            {"add", "usb", "usb_interface", kDevpath + "/1-2:1.2", "416/b23c/100", "0416", "b23c"},
            {"add", "hid", "", kDevpath + "/1-2:1.2/0003:0416:B23C.0005", "", "0416", "b23c"},
            {"add", "hidraw", "", kDevpath + "/1-2:1.2/0003:0416:B23C.0005/hidraw/hidraw3", "", "0416", "b23c"},
            usbDevice("bind", "416/b23c/100", "0416", "b23c")};
}

} // namespace

class tst_deviceChange : public QObject
{
    Q_OBJECT

private slots:
    void pathMatchesIds_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<bool>("matches");
        const QStringList ids{"0416", "b23c"};
        QTest::newRow("upper-case path, lower-case ids") << kUsbPath << ids << true;
        QTest::newRow("upper-case ids") << "usb#vid_0416&pid_b23c" << QStringList{"0416", "B23C"} << true;
        QTest::newRow("ids anywhere, not after VID_/PID_") << "HID#x0416yB23Cz" << ids << true;
        QTest::newRow("only the vendor id") << "USB#VID_0416&PID_7372" << ids << false;
        QTest::newRow("three-digit id") << kUsbPath << QStringList{"416", "b23c"} << false;
        QTest::newRow("five-digit id") << kUsbPath << QStringList{"0416", "b23c0"} << false;
        QTest::newRow("non-hex id") << "USB#VID_041G&PID_B23C" << QStringList{"041g", "b23c"} << false;
        QTest::newRow("empty ids") << kUsbPath << QStringList{"", ""} << false;
    }
    void pathMatchesIds()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, ids);
        QFETCH(bool, matches);
        QCOMPARE(deviceChange::pathMatchesIds(path.toStdString(), ids[0].toStdString(), ids[1].toStdString()), matches);
    }

    void recognizeWindowsMessage_data()
    {
        QTest::addColumn<uint>("message");
        QTest::addColumn<quint64>("wParam");
        QTest::addColumn<uint>("deviceType");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("terminated");
        QTest::addColumn<int>("declaredSize"); // -1: the record's true size
        QTest::addColumn<int>("readable");     // -1: the whole record; more bytes follow in memory
        QTest::addColumn<QString>("vid");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("path");

        const int arrival = int(Kind::Arrival), removal = int(Kind::Removal), none = int(Kind::None);
        const QString cut = QStringLiteral("USB#VID_0416&PID_B23C");
        QTest::newRow("arrival") << 0x219u << Q_UINT64_C(0x8000) << 5u << kUsbPath << true << -1 << -1 << "0416"
                                 << arrival << kUsbPath;
        QTest::newRow("removal") << 0x219u << Q_UINT64_C(0x8004) << 5u << kUsbPath << true << -1 << -1 << "0416"
                                 << removal << kUsbPath;
        QTest::newRow("other wParam") << 0x219u << Q_UINT64_C(0x0007) << 5u << kUsbPath << true << -1 << -1 << "0416"
                                      << none << "";
        QTest::newRow("other message") << 0x218u << Q_UINT64_C(0x8000) << 5u << kUsbPath << true << -1 << -1 << "0416"
                                       << none << "";
        QTest::newRow("volume, not an interface")
            << 0x219u << Q_UINT64_C(0x8000) << 2u << kUsbPath << true << -1 << -1 << "0416" << none << "";
        QTest::newRow("foreign ids") << 0x219u << Q_UINT64_C(0x8000) << 5u << kUsbPath << true << -1 << -1 << "0483"
                                     << none << "";
        QTest::newRow("invalid ids") << 0x219u << Q_UINT64_C(0x8000) << 5u << kUsbPath << true << -1 << -1 << "" << none
                                     << "";
        QTest::newRow("no terminator: ends with the record")
            << 0x219u << Q_UINT64_C(0x8000) << 5u << cut << false << -1 << -1 << "0416" << arrival << cut;
        QTest::newRow("record shorter than its header")
            << 0x219u << Q_UINT64_C(0x8000) << 5u << cut << false << -1 << 20 << "0416" << none << "";
        QTest::newRow("size field below the header")
            << 0x219u << Q_UINT64_C(0x8000) << 5u << cut << true << 12 << -1 << "0416" << none << "";
        QTest::newRow("size field larger than the buffer")
            << 0x219u << Q_UINT64_C(0x8000) << 5u << cut << false << 4096 << -1 << "0416" << arrival << cut;
        QTest::newRow("size field cuts the name before the product id")
            << 0x219u << Q_UINT64_C(0x8000) << 5u << cut << false << 28 + 2 * 14 << -1 << "0416" << none << "";
        const QString wide = QString::fromUtf8("USB#VID_0416&PID_B23C#\xc3\xa9\xf0\x9f\x98\x80");
        QTest::newRow("UTF-16 name becomes UTF-8")
            << 0x219u << Q_UINT64_C(0x8000) << 5u << wide << true << -1 << -1 << "0416" << arrival << wide;
    }
    void recognizeWindowsMessage()
    {
        QFETCH(uint, message);
        QFETCH(quint64, wParam);
        QFETCH(uint, deviceType);
        QFETCH(QString, name);
        QFETCH(bool, terminated);
        QFETCH(int, declaredSize);
        QFETCH(int, readable);
        QFETCH(QString, vid);
        QFETCH(int, kind);
        QFETCH(QString, path);

        const QByteArray record = interfaceRecord(deviceType, name, terminated, declaredSize);
        // Text after the record that a reader going too far would take in.
        const QByteArray memory = record + QByteArray("Z\0Z\0Z\0\0\0", 8);
        const WindowsDeviceMessage m{message, std::uintptr_t(wParam), memory.constData(),
                                     readable < 0 ? std::size_t(record.size()) : std::size_t(readable)};
        const Recognition seen = deviceChange::recognizeWindowsMessage(m, vid.toStdString(), "b23c");
        QCOMPARE(int(seen.kind), kind);
        QCOMPARE(QString::fromStdString(seen.path), path);
    }

    void udevFilter_data()
    {
        QTest::addColumn<std::vector<UdevEvent>>("events");
        QTest::addColumn<QString>("vid");
        QTest::addColumn<QStringList>("reported");

        const QString arrived = "arrival " + kUdevPath;
        const QString removed = "removal " + kUdevPath;
        QTest::newRow("plug burst is one arrival") << plugBurst() << "0416" << QStringList{arrived};
        QTest::newRow("arrival by PRODUCT alone")
            << std::vector<UdevEvent>{usbDevice("add", "416/b23c/100")} << "0416" << QStringList{arrived};
        QTest::newRow("removal by PRODUCT, never seen arriving")
            << std::vector<UdevEvent>{usbDevice("remove", "416/b23c/100")} << "0416" << QStringList{removed};
        QTest::newRow("removal by remembered devpath, then forgotten")
            << std::vector<UdevEvent>{usbDevice("add", "", "0416", "b23c"), usbDevice("remove", ""),
                                      usbDevice("remove", "")}
            << "0416" << QStringList{arrived, removed};
        QTest::newRow("foreign device") << std::vector<UdevEvent>{usbDevice("add", "416/7372/100", "0416", "7372"),
                                                                  usbDevice("remove", "416/7372/100")}
                                        << "0416" << QStringList{};
        QTest::newRow("malformed PRODUCT")
            << std::vector<UdevEvent>{usbDevice("add", "416b23c"), usbDevice("add", "416/b23c0/100"),
                                      usbDevice("add", "416/xyz/100"), usbDevice("add", "/b23c/100"),
                                      usbDevice("remove", "10416/b23c/100")}
            << "0416" << QStringList{};
        QTest::newRow("over-long field") << std::vector<UdevEvent>{usbDevice("add", "416/b23c/100", "0416", "b23c",
                                                                             std::string(2000, 'p'))}
                                         << "0416" << QStringList{};
        QTest::newRow("change is neither")
            << std::vector<UdevEvent>{usbDevice("change", "416/b23c/100", "0416", "b23c")} << "0416" << QStringList{};
        QTest::newRow("invalid ids") << plugBurst() << "416" << QStringList{};
    }
    void udevFilter()
    {
        QFETCH(std::vector<UdevEvent>, events);
        QFETCH(QString, vid);
        QFETCH(QStringList, reported);

        UdevPresenceFilter filter;
        filter.setIds(vid.toStdString(), "B23C");
        QStringList seen;
        for (const UdevEvent &event : events) {
            const PresenceEvent e = filter.feed(event);
            if (e.kind != Kind::None)
                seen << QString(e.kind == Kind::Arrival ? "arrival " : "removal ") + QString::fromStdString(e.path);
        }
        QCOMPARE(seen, reported);
        for (const QString &line : seen)
            QVERIFY(deviceChange::pathMatchesIds(line.toStdString(), "0416", "b23c"));
    }
};

QTEST_APPLESS_MAIN(tst_deviceChange)
#include "tst_deviceChange.moc"
