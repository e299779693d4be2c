#include "captureBackendFake.h"
#include "captureSwitch.h"
#include "hookLog.h"

#include <QtTest>

// Which source the key test takes its keys from, and when that changes.
class tst_captureSwitch : public QObject
{
    Q_OBJECT

    CaptureBackendLog m_device, m_display;
    CaptureBackendFake *m_deviceFake = nullptr;
    std::unique_ptr<CaptureSwitch> m_switch;
    QStringList m_log;

    static KeyboardUnderTest unit(std::uint16_t pid, const char *path = "/dev/hidraw3") { return {0x0416, pid, path}; }

private slots:
    void init()
    {
        m_device = m_display = CaptureBackendLog();
        auto device = std::make_unique<CaptureBackendFake>(&m_device, true);
        m_deviceFake = device.get();
        m_switch.reset(new CaptureSwitch(std::move(device), std::make_unique<CaptureBackendFake>(&m_display, false)));
        m_log.clear();
        setHookLogSink([this](const std::string &line) { m_log << QString::fromStdString(line); });
    }
    void cleanup() { m_switch.reset(), setHookLogSink(nullptr); }

    void choice_data()
    {
        QTest::addColumn<QString>("source");   // as Config.ini gives it
        QTest::addColumn<QString>("refusing"); // which backends refuse; "no unit": no keyboard chosen
        QTest::addColumn<int>("active");
        QTest::addColumn<QString>("logLine");
        const int none = int(CaptureSource::Auto), device = int(CaptureSource::Device);
        const int display = int(CaptureSource::Display);
        const QString denied = "no permission on /dev/input/event7";
        QTest::newRow("missing: the device") << ""
                                             << "" << device << "Key capture source: device (0416:b23c: fake)";
        QTest::newRow("auto falls back, saying why")
            << "auto"
            << "device" << display << "Key capture: falls back to the display grab: " + denied;
        QTest::newRow("unknown is auto; no unit")
            << "x11"
            << "no unit" << display << "Key capture: falls back to the display grab: no keyboard chosen";
        QTest::newRow("auto with neither")
            << "auto"
            << "device display" << none << "Key capture: the display grab cannot be taken: no display";
        QTest::newRow("device only, refused: nothing")
            << " Device\t"
            << "device" << none
            << "Key capture: the keyboard's own input devices cannot be taken ([capture] source=device): " + denied;
        QTest::newRow("display only") << "DISPLAY"
                                      << "" << display << "Key capture source: display (fake)";
    }
    void choice()
    {
        QFETCH(QString, source);
        QFETCH(QString, refusing);
        QFETCH(int, active);
        QFETCH(QString, logLine);
        m_device.refusal = refusing.contains("device") ? "no permission on /dev/input/event7" : "";
        m_display.refusal = refusing.contains("display") ? "no display" : "";
        m_switch->setPreference(parseCaptureSource(source.toStdString(), nullptr));
        if (refusing != "no unit")
            m_switch->setKeyboard(unit(0xb23c));
        QCOMPARE(m_switch->install(), active != int(CaptureSource::Auto));
        QCOMPARE(int(m_switch->activeSource()), active);
        QVERIFY2(m_log.contains(logLine), qPrintable(m_log.join('\n')));
    }

    // A source runs on for the same unit; another unit, a reopened link or
    // lost nodes start it afresh; a display grab gives way to the device.
    void reinstall_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QVector<int>>("deviceStartsStopsDisplayStops");
        QTest::newRow("same unit: kept") << "" << QVector<int>{1, 0, 0};
        QTest::newRow("other unit") << "other unit" << QVector<int>{2, 1, 0};
        QTest::newRow("link on another node") << "other link" << QVector<int>{2, 1, 0};
        QTest::newRow("nodes gone") << "lost" << QVector<int>{2, 0, 0};
        QTest::newRow("display, then the device opens") << "device opens" << QVector<int>{2, 0, 1};
    }
    void reinstall()
    {
        QFETCH(QString, change);
        QFETCH(QVector<int>, deviceStartsStopsDisplayStops);
        m_switch->setKeyboard(unit(0xb23c));
        m_device.refusal = change == "device opens" ? "not yet" : "";
        QVERIFY(m_switch->install());
        if (change == "other unit" || change == "other link")
            m_switch->setKeyboard(change == "other unit" ? unit(0x7372) : unit(0xb23c, "/dev/hidraw5"));
        if (change == "lost")
            m_deviceFake->lose();
        m_device.refusal.clear();
        QVERIFY(m_switch->install());
        QCOMPARE(int(m_switch->activeSource()), int(CaptureSource::Device));
        QCOMPARE((QVector<int>{int(m_device.starts.size()), m_device.stops, m_display.stops}),
                 deviceStartsStopsDisplayStops);
    }

    void unitLocksOnlyWhileTheDeviceRuns()
    {
        m_device.locks.setLeds(false, true, false);
        m_switch->setKeyboard(unit(0xb23c));
        QCOMPARE(m_switch->unitLockToggled(20), -1);
        QVERIFY(m_switch->install());
        QCOMPARE((QVector<int>{m_switch->unitLockToggled(20), m_switch->unitLockToggled(144)}), (QVector<int>{1, 0}));
        m_switch->remove();
        QCOMPARE(m_switch->unitLockToggled(20), -1);
    }
};

QTEST_GUILESS_MAIN(tst_captureSwitch)
#include "tst_captureSwitch.moc"
