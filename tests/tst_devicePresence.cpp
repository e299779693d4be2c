#include "devicePresence.h"
#include "simKeyboard.h"
#include "simUdevBridge.h"

#include <QtTest>

// Simulated plugging reaches the presence unit as udev's events would, and
// each plug or unplug of the selected keyboard is reported exactly once.
class tst_devicePresence : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { sim::SimKeyboard::resetAll(); }

    void plugUnplugReplug()
    {
        DevicePresence presence;
        presence.setIds("0416", "B23C");
        SimUdevBridge bridge(&presence);
        QSignalSpy arrived(&presence, &DevicePresence::sigDeviceArrived);
        QSignalSpy removed(&presence, &DevicePresence::sigDeviceRemoved);

        sim::SimKeyboardConfig other;
        other.productId = 0x7372;
        sim::SimKeyboard::plugIn(other);
        sim::SimKeyboard keyboard = sim::SimKeyboard::plugIn(sim::SimKeyboardConfig());
        QVERIFY(arrived.wait());
        QCoreApplication::processEvents(); // the rest of the burst
        QCOMPARE(arrived.count(), 1);
        const QString path = arrived.at(0).at(0).toString();
        QVERIFY2(path.startsWith("usb#vid_0416&pid_b23c#"), qPrintable(path));

        keyboard.unplug();
        QVERIFY(removed.wait());
        QCoreApplication::processEvents();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(0).toString(), path);

        keyboard.replug();
        QVERIFY(arrived.wait());
        QCoreApplication::processEvents();
        QCOMPARE(arrived.count(), 2);
        QCOMPARE(removed.count(), 1);
    }
};

QTEST_MAIN(tst_devicePresence)
#include "tst_devicePresence.moc"
