#include "captureBackendFake.h"
#include "captureSwitch.h"
#include "hookLog.h"

#include <QtTest>

#include <memory>

// Which source the key test takes its keys from, and when it changes.
class tst_captureSwitch : public QObject
{
    Q_OBJECT

    CaptureBackendLog m_device;
    CaptureBackendLog m_display;
    CaptureBackendFake *m_deviceFake = nullptr;
    std::unique_ptr<CaptureSwitch> m_switch;
    QStringList m_log;

    static KeyboardUnderTest unit(std::uint16_t pid, const char *path = "/dev/hidraw3")
    {
        KeyboardUnderTest u;
        u.vendorId = 0x0416;
        u.productId = pid;
        u.linkPath = path;
        return u;
    }

private slots:
    void init()
    {
        m_device = CaptureBackendLog();
        m_display = CaptureBackendLog();
        auto device = std::make_unique<CaptureBackendFake>(&m_device, true);
        m_deviceFake = device.get();
        m_switch =
            std::make_unique<CaptureSwitch>(std::move(device), std::make_unique<CaptureBackendFake>(&m_display, false));
        m_log.clear();
        setHookLogSink([this](const std::string &line) { m_log << QString::fromStdString(line); });
    }
    void cleanup()
    {
        m_switch.reset();
        setHookLogSink(nullptr);
    }

    void choice_data()
    {
        QTest::addColumn<int>("preference");
        QTest::addColumn<bool>("keyboardChosen");
        QTest::addColumn<bool>("deviceRefuses");
        QTest::addColumn<bool>("displayRefuses");
        QTest::addColumn<int>("active");
        QTest::addColumn<QString>("logLine");
        const int autoSource = int(CaptureSource::Auto), device = int(CaptureSource::Device),
                  display = int(CaptureSource::Display);

        QTest::newRow("auto takes the device")
            << autoSource << true << false << false << device << "Key capture source: device (0416:b23c: fake)";
        QTest::newRow("auto falls back, saying why")
            << autoSource << true << true << false << display
            << "Key capture: falls back to the display grab: no permission on /dev/input/event7";
        QTest::newRow("auto without a keyboard") << autoSource << false << false << false << display
                                                 << "Key capture: falls back to the display grab: no keyboard chosen";
        QTest::newRow("auto with neither") << autoSource << true << true << true << autoSource
                                           << "Key capture: the display grab cannot be taken: no display";
        QTest::newRow("device only") << device << true << false << false << device
                                     << "Key capture source: device (0416:b23c: fake)";
        QTest::newRow("device only, refused, no fallback")
            << device << true << true << false << autoSource
            << "Key capture: the keyboard's own input devices cannot be taken ([capture] source=device): no "
               "permission on /dev/input/event7";
        QTest::newRow("display only") << display << true << false << false << display
                                      << "Key capture source: display (fake)";
    }
    void choice()
    {
        QFETCH(int, preference);
        QFETCH(bool, keyboardChosen);
        QFETCH(bool, deviceRefuses);
        QFETCH(bool, displayRefuses);
        QFETCH(int, active);
        QFETCH(QString, logLine);
        m_device.refuse = deviceRefuses;
        m_device.refusal = "no permission on /dev/input/event7";
        m_display.refuse = displayRefuses;
        m_display.refusal = "no display";
        m_switch->setPreference(CaptureSource(preference));
        if (keyboardChosen)
            m_switch->setKeyboard(unit(0xb23c));

        QCOMPARE(m_switch->install(), active != int(CaptureSource::Auto));
        QCOMPARE(int(m_switch->activeSource()), active);
        QVERIFY2(m_log.contains(logLine), qPrintable(m_log.join('\n')));
    }

    // A running source is kept for the same unit, replaced for another one or
    // once its nodes are gone; a display grab gives way to the device.
    void reinstall_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("deviceStarts");
        QTest::addColumn<int>("deviceStops");
        QTest::addColumn<int>("displayStops");

        QTest::newRow("same unit: kept") << "none" << 1 << 0 << 0;
        QTest::newRow("other unit: replaced") << "other unit" << 2 << 1 << 0;
        QTest::newRow("link reopened on another node: replaced") << "other link" << 2 << 1 << 0;
        QTest::newRow("nodes gone: started again") << "lost" << 2 << 0 << 0;
        QTest::newRow("from the display to the device") << "device now opens" << 2 << 0 << 1;
    }
    void reinstall()
    {
        QFETCH(QString, change);
        QFETCH(int, deviceStarts);
        QFETCH(int, deviceStops);
        QFETCH(int, displayStops);
        m_switch->setKeyboard(unit(0xb23c));
        m_device.refuse = change == QLatin1String("device now opens");
        QVERIFY(m_switch->install());

        if (change == QLatin1String("other unit"))
            m_switch->setKeyboard(unit(0x7372));
        else if (change == QLatin1String("other link"))
            m_switch->setKeyboard(unit(0xb23c, "/dev/hidraw5"));
        else if (change == QLatin1String("lost"))
            m_deviceFake->lose();
        m_device.refuse = false;
        QVERIFY(!m_switch->isInstalled() == (change == QLatin1String("lost")));
        QVERIFY(m_switch->install());

        QCOMPARE(int(m_switch->activeSource()), int(CaptureSource::Device));
        QCOMPARE(int(m_device.starts.size()), deviceStarts);
        QCOMPARE(m_device.stops, deviceStops);
        QCOMPARE(m_display.stops, displayStops);
    }

    void removeStopsWhatRuns()
    {
        m_switch->setKeyboard(unit(0xb23c));
        QVERIFY(m_switch->install());
        m_switch->remove();
        QVERIFY(!m_switch->isInstalled());
        QCOMPARE(m_device.stops, 1);
    }

    void unitLocksOnlyFromTheDevice_data()
    {
        QTest::addColumn<int>("preference");
        QTest::addColumn<int>("caps");
        QTest::addColumn<int>("num");

        QTest::newRow("device: the unit's") << int(CaptureSource::Device) << 1 << 0;
        QTest::newRow("display: the system's") << int(CaptureSource::Display) << -1 << -1;
    }
    void unitLocksOnlyFromTheDevice()
    {
        QFETCH(int, preference);
        QFETCH(int, caps);
        QFETCH(int, num);
        m_device.locks.setLeds(false, true, false);
        m_switch->setPreference(CaptureSource(preference));
        m_switch->setKeyboard(unit(0xb23c));
        QCOMPARE(m_switch->unitLockToggled(20), -1);
        QVERIFY(m_switch->install());
        QCOMPARE(m_switch->unitLockToggled(20), caps);
        QCOMPARE(m_switch->unitLockToggled(144), num);
        m_switch->remove();
        QCOMPARE(m_switch->unitLockToggled(20), -1);
    }
};

QTEST_GUILESS_MAIN(tst_captureSwitch)
#include "tst_captureSwitch.moc"
