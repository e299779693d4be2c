#include "inputNodeMatch.h"

#include <QtTest>

// Which of the system's input nodes are the keyboard under test's, from what
// udev says of them.
class tst_inputNodeMatch : public QObject
{
    Q_OBJECT

    static InputNodeInfo node(int number, const char *vendor, const char *product, const char *usb,
                              const char *idKey = "1")
    {
        InputNodeInfo n;
        n.sysname = "event" + std::to_string(number);
        n.devnode = "/dev/input/" + n.sysname;
        n.idInputKey = idKey;
        n.usbVendor = vendor;
        n.usbProduct = product;
        n.usbDevice = usb;
        return n;
    }

    // The station: the unit (two key interfaces and a mouse-less vendor
    // interface), a second unit of the same platform, the operator's keyboard,
    // the power button.
    static std::vector<InputNodeInfo> station()
    {
        const char *unit = "/sys/devices/usb1/1-1";
        const char *second = "/sys/devices/usb1/1-2";
        std::vector<InputNodeInfo> nodes = {
            node(5, "0416", "b23c", unit),
            node(6, "0416", "B23C", unit),
            node(7, "0416", "b23c", unit, ""),
            node(8, "0416", "b23c", second),
            node(3, "046d", "c31c", "/sys/devices/usb1/1-3"),
            node(0, "", "", ""),
        };
        return nodes;
    }

private slots:
    void match_data()
    {
        QTest::addColumn<QString>("usbDevice");
        QTest::addColumn<int>("productId");
        QTest::addColumn<QStringList>("paths");

        QTest::newRow("the unit's nodes with keys, not the second unit's")
            << "/sys/devices/usb1/1-1" << 0xb23c << QStringList{"/dev/input/event5", "/dev/input/event6"};
        QTest::newRow("link not open: every unit of the platform")
            << "" << 0xb23c << QStringList{"/dev/input/event5", "/dev/input/event6", "/dev/input/event8"};
        QTest::newRow("other ids: nothing") << "" << 0x7372 << QStringList();
    }
    void match()
    {
        QFETCH(QString, usbDevice);
        QFETCH(int, productId);
        QFETCH(QStringList, paths);
        InputNodeWanted wanted;
        wanted.vendorId = 0x0416;
        wanted.productId = std::uint16_t(productId);
        wanted.usbDevice = usbDevice.toStdString();
        QStringList found;
        for (const std::string &path : matchInputNodes(station(), wanted))
            found << QString::fromStdString(path);
        QCOMPARE(found, paths);
    }

    void nodesNeverTaken_data()
    {
        QTest::addColumn<QString>("devnode");
        QTest::addColumn<QString>("sysname");
        QTest::addColumn<QString>("vendor");

        QTest::newRow("path beside its name") << "/dev/input/../sda"
                                              << "event5"
                                              << "0416";
        QTest::newRow("not an event node") << "/dev/input/mouse0"
                                           << "mouse0"
                                           << "0416";
        QTest::newRow("id not four hex digits") << "/dev/input/event5"
                                                << "event5"
                                                << "00416";
        QTest::newRow("id not hex") << "/dev/input/event5"
                                    << "event5"
                                    << "04g6";
    }
    void nodesNeverTaken()
    {
        QFETCH(QString, devnode);
        QFETCH(QString, sysname);
        QFETCH(QString, vendor);
        InputNodeInfo n = node(5, "0416", "b23c", "/sys/devices/usb1/1-1");
        n.devnode = devnode.toStdString();
        n.sysname = sysname.toStdString();
        n.usbVendor = vendor.toStdString();
        InputNodeWanted wanted;
        wanted.vendorId = 0x0416;
        wanted.productId = 0xb23c;
        QVERIFY(matchInputNodes({n}, wanted).empty());
    }

    void reportsKeys_data()
    {
        QTest::addColumn<QString>("idKey");
        QTest::addColumn<QString>("idKeyboard");
        QTest::addColumn<QString>("capabilities");
        QTest::addColumn<bool>("keys");

        QTest::newRow("udev: has keys") << "1"
                                        << ""
                                        << "" << true;
        QTest::newRow("udev: keyboard") << ""
                                        << "1"
                                        << "" << true;
        QTest::newRow("unclassified, key bits set") << ""
                                                    << ""
                                                    << "1000 0 0 fffffffffffffffe" << true;
        QTest::newRow("unclassified, no key bits") << ""
                                                   << ""
                                                   << "0" << false;
        QTest::newRow("nothing known") << ""
                                       << ""
                                       << "" << false;
    }
    void reportsKeys()
    {
        QFETCH(QString, idKey);
        QFETCH(QString, idKeyboard);
        QFETCH(QString, capabilities);
        QFETCH(bool, keys);
        InputNodeInfo n;
        n.idInputKey = idKey.toStdString();
        n.idInputKeyboard = idKeyboard.toStdString();
        n.keyCapabilities = capabilities.toStdString();
        QCOMPARE(::reportsKeys(n), keys);
    }

    void boundedCount()
    {
        std::vector<InputNodeInfo> many;
        for (int i = 0; i < 40; ++i)
            many.push_back(node(100 + i, "0416", "b23c", "/sys/devices/usb1/1-1"));
        InputNodeWanted wanted;
        wanted.vendorId = 0x0416;
        wanted.productId = 0xb23c;
        QCOMPARE(matchInputNodes(many, wanted).size(), MaxUnitNodes);
    }
};

QTEST_GUILESS_MAIN(tst_inputNodeMatch)
#include "tst_inputNodeMatch.moc"
