// Run with the simulator preloaded over the system's hidapi (see hid.cmake):
// the program is linked against the real library, as the tool is, and must
// nevertheless see the simulated keyboards named in TKT_SIM_KEYBOARDS.

#include <QtTest>

#include <hidapi.h>

class tst_simDropIn : public QObject
{
    Q_OBJECT

private slots:
    void preloadReplacesTheSystemLibrary()
    {
        QVERIFY2(QByteArray(hid_version_str()).contains("simulated"), hid_version_str());
    }

    void keyboardsFromTheEnvironment()
    {
        QStringList seen;
        hid_device_info *list = hid_enumerate(0, 0);
        for (hid_device_info *e = list; e; e = e->next)
            if (e->interface_number == 2)
                seen << QString::asprintf("%04x:%04x", e->vendor_id, e->product_id);
        hid_free_enumeration(list);
        QCOMPARE(seen, (QStringList{"0416:b23c", "0416:7372"}));
    }

    void openKeyboardLives()
    {
        hid_device_info *list = hid_enumerate(0x0416, 0xb23c);
        QByteArray path;
        for (hid_device_info *e = list; e; e = e->next)
            if (e->interface_number == 2)
                path = e->path;
        hid_free_enumeration(list);
        QVERIFY(!path.isEmpty());
        hid_device *dev = hid_open_path(path.constData());
        QVERIFY(dev);
        unsigned char buf[64] = {};
        // Key-state reports come by themselves while the interface is open.
        QCOMPARE(hid_read_timeout(dev, buf, 64, 2000), 64);
        QCOMPARE(int(buf[1]), 0x04);
        hid_close(dev);
    }
};

QTEST_APPLESS_MAIN(tst_simDropIn)
#include "tst_simDropIn.moc"
