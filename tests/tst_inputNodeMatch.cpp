#include "inputNodeMatch.h"

#include <QtTest>

// Which of the station's input nodes are the keyboard under test's, from what
// udev says of them.
class tst_inputNodeMatch : public QObject
{
    Q_OBJECT

    // "number vendor product usb-port ID_INPUT_KEY capabilities/key [devnode]",
    // the bitmap's words joined by commas
    static InputNodeInfo node(const QString &row)
    {
        const QStringList f = row.split(' ');
        InputNodeInfo n;
        n.sysname = ("event" + f[0]).toStdString();
        n.devnode = f.size() > 6 ? f[6].toStdString() : "/dev/input/" + n.sysname;
        n.usbVendor = f[1].toStdString();
        n.usbProduct = f[2].toStdString();
        n.usbDevice = ("/sys/devices/usb1/1-" + f[3]).toStdString();
        n.idInputKey = f[4] == "-" ? "" : f[4].toStdString();
        n.keyCapabilities = f[5] == "-" ? "" : QString(f[5]).replace(',', ' ').toStdString();
        return n;
    }

private slots:
    void match_data()
    {
        QTest::addColumn<QStringList>("station");
        QTest::addColumn<QString>("usbDevice"); // the link's USB device; empty before it is open
        QTest::addColumn<QStringList>("taken");
        // The unit on port 1 (keys, consumer keys, no keys), a second unit on
        // port 2, the operator's keyboard on port 3.
        const QStringList station{"5 0416 b23c 1 1 -", "6 0416 B23C 1 1 -", "7 0416 b23c 1 - 0", "8 0416 b23c 2 1 -",
                                  "3 046d c31c 3 1 -"};
        const QString port1 = "/sys/devices/usb1/1-1";
        QTest::newRow("the unit's nodes with keys only")
            << station << port1 << QStringList{"/dev/input/event5", "/dev/input/event6"};
        QTest::newRow("link not open: none, a station keyboard of the platform left alone")
            << station << "" << QStringList();
        QTest::newRow("link not open, for the log: every unit of the platform")
            << station << "*" << QStringList{"/dev/input/event5", "/dev/input/event6", "/dev/input/event8"};
        QTest::newRow("keys told by the capability bitmap")
            << QStringList{"5 0416 b23c 1 - 0,0,fffe"} << port1 << QStringList{"/dev/input/event5"};
        QTest::newRow("a path beside its name: never")
            << QStringList{"5 0416 b23c 1 1 - /dev/input/../sda"} << port1 << QStringList();
        QTest::newRow("an id that is not four hex digits: never")
            << QStringList{"5 00416 b23c 1 1 -", "6 04g6 b23c 1 1 -"} << port1 << QStringList();
    }
    void match()
    {
        QFETCH(QStringList, station);
        QFETCH(QString, usbDevice);
        QFETCH(QStringList, taken);
        std::vector<InputNodeInfo> nodes;
        for (const QString &row : station)
            nodes.push_back(node(row));
        QStringList found;
        const bool any = usbDevice == QLatin1String("*");
        const InputNodeWanted wanted{0x0416, 0xb23c, any ? std::string() : usbDevice.toStdString(), any};
        for (const std::string &path : matchInputNodes(nodes, wanted))
            found << QString::fromStdString(path);
        QCOMPARE(found, taken);
    }

    // A node udev is still setting up is waited for; one gone is not.
    void waitsForUdev()
    {
        std::vector<InputNodeInfo> nodes{node("5 0416 b23c 1 1 -"), node("6 0416 b23c 1 1 -")};
        nodes[1].initialized = false;
        const std::vector<std::string> waiting =
            nodesBeingSetUp(nodes, {"/dev/input/event5", "/dev/input/event6", "/dev/input/event9"});
        QCOMPARE(waiting, std::vector<std::string>{"/dev/input/event6"});
    }

    void boundedCount()
    {
        std::vector<InputNodeInfo> many;
        for (int i = 0; i < 40; ++i)
            many.push_back(node(QStringLiteral("%1 0416 b23c 1 1 -").arg(100 + i)));
        QCOMPARE(matchInputNodes(many, InputNodeWanted{0x0416, 0xb23c, "/sys/devices/usb1/1-1"}).size(), MaxUnitNodes);
    }
};

QTEST_GUILESS_MAIN(tst_inputNodeMatch)
#include "tst_inputNodeMatch.moc"
