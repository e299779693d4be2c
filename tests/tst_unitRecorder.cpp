#include "unitRecorder.h"

#include <QRegularExpression>
#include <QtTest>

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

// Feeds the recorder a script: "variant 65 66", "down 65 100" / "up 65 130.5"
// (key, event time in ms), "check 4 5", "cal 1 4 5" (status, keys). Comma-separated.
void play(UnitRecorder &recorder, const QString &script)
{
    for (const QString &step : script.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QStringList words = step.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString verb = words.takeFirst();
        std::vector<int> numbers;
        for (const QString &word : words)
            numbers.push_back(word.toInt());
        // Key times as the capture hands them on: microseconds.
        const auto at = [&]() { return std::int64_t(words.at(1).toDouble() * 1000); };
        if (verb == QLatin1String("variant"))
            recorder.setVariantKeys(numbers);
        else if (verb == QLatin1String("down"))
            recorder.keyPressed(numbers.at(0), at());
        else if (verb == QLatin1String("up"))
            recorder.keyReleased(numbers.at(0), at());
        else if (verb == QLatin1String("check"))
            recorder.keyCheckResult(numbers);
        else if (verb == QLatin1String("cal"))
            recorder.calibrationAnswer(numbers.at(0), std::vector<int>(numbers.begin() + 1, numbers.end()));
        else if (verb == QLatin1String("restart"))
            recorder.restartKeys();
    }
}

UnitIdentity identity()
{
    UnitIdentity id;
    id.station = "bench-3";
    id.toolVersion = "1.1.8";
    id.vid = 0x0416;
    id.pid = 0x7372;
    id.manufacturer = "Tavrin";
    id.product = "TK-87";
    id.model = "M484";
    id.version = "V2.3";
    id.linkPath = "/dev/hidraw4";
    return id;
}

} // namespace

class tst_unitRecorder : public QObject
{
    Q_OBJECT

private slots:
    // The window's events over one unit, as the simulated keyboard drives them.
    void recordFields_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<std::vector<int>>("pressed");
        QTest::addColumn<std::vector<int>>("neverPressed");
        QTest::addColumn<std::vector<int>>("badKeys");
        QTest::addColumn<std::vector<int>>("calibrationKeys");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<std::vector<int>>("calibrationFailedKeys");

        const auto V = [](Verdict v) { return static_cast<int>(v); };
        QTest::newRow("keys only") << "variant 65 66 67,down 66 10,up 66 90,down 65 200,down 65 230"
                                   << std::vector<int>{65, 66} << std::vector<int>{67} << std::vector<int>{}
                                   << std::vector<int>{} << V(Verdict::None) << std::vector<int>{};
        QTest::newRow("key check clean") << "variant 65,down 65 5,check" << std::vector<int>{65} << std::vector<int>{}
                                         << std::vector<int>{} << std::vector<int>{} << V(Verdict::None)
                                         << std::vector<int>{};
        QTest::newRow("last key check counts")
            << "check 9 4 4,check 7" << std::vector<int>{} << std::vector<int>{} << std::vector<int>{7}
            << std::vector<int>{} << V(Verdict::None) << std::vector<int>{};
        QTest::newRow("calibration successful")
            << "cal 1 4 5,cal 1 5 6,cal 0 30" << std::vector<int>{} << std::vector<int>{} << std::vector<int>{}
            << std::vector<int>{4, 5, 6} << V(Verdict::Successful) << std::vector<int>{};
        QTest::newRow("calibration failed on keys, unknown status ignored")
            << "cal 1 4,cal 7 9,cal 2 9 8 9" << std::vector<int>{} << std::vector<int>{} << std::vector<int>{}
            << std::vector<int>{4} << V(Verdict::Failed) << std::vector<int>{8, 9};
    }

    void recordFields()
    {
        QFETCH(QString, script);
        UnitRecorder recorder;
        recorder.keyPressed(99, 1); // before the unit: not its key
        recorder.unitStarted(identity(), 1000);
        play(recorder, script);
        // What is kept on disk while the unit runs is the record it would end with.
        const std::optional<UnitRecord> progress = recorder.snapshot(UnitEnd::Removal, 5000);
        QVERIFY(recorder.running());
        const std::optional<UnitRecord> record = recorder.unitEnded(UnitEnd::Removal, 5000);
        QVERIFY(record && progress && *progress == *record);
        QVERIFY(!recorder.running());
        QFETCH(std::vector<int>, pressed);
        QFETCH(std::vector<int>, neverPressed);
        QFETCH(std::vector<int>, badKeys);
        QFETCH(std::vector<int>, calibrationKeys);
        QFETCH(int, verdict);
        QFETCH(std::vector<int>, calibrationFailedKeys);
        QCOMPARE(record->keysPressed, pressed);
        QCOMPARE(record->keysNeverPressed, neverPressed);
        QCOMPARE(record->keyCheckBadKeys, badKeys);
        QCOMPARE(record->calibrationKeys, calibrationKeys);
        QCOMPARE(record->calibrationFailedKeys, calibrationFailedKeys);
        QCOMPARE(static_cast<int>(record->verdict), verdict);
        QCOMPARE(record->startUtcMs, 1000);
        QCOMPARE(record->endUtcMs, 5000);
        QCOMPARE(record->ended, UnitEnd::Removal);
        QCOMPARE(record->identity.model, std::string("M484"));
        QCOMPARE(record->identity.pid, 0x7372);
        QVERIFY(
            QRegularExpression(QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$"))
                .match(QString::fromStdString(record->unitId))
                .hasMatch());
        QVERIFY(!recorder.unitEnded(UnitEnd::Close, 6000)); // no unit runs now
        recorder.unitStarted(identity(), 7000);
        QVERIFY(recorder.unitEnded(UnitEnd::Close, 8000)->unitId != record->unitId);
    }

    // The unit's verdict, decided from the same events, is what the record keeps.
    void verdictReachesTheRecord()
    {
        UnitRecorder recorder;
        VerdictCriteria criteria;
        criteria.serial = VerdictCriteria::Serial::Require;
        recorder.setCriteria(criteria);
        recorder.setVariantKeys({65, 66, 67});
        recorder.setKeyNames({{65, "A"}, {66, "B"}});
        UnitIdentity withSerial = identity();
        withSerial.serial = std::string("SN\0-7", 5);
        withSerial.operatorName = std::string("Li\0 Wei", 7);
        recorder.unitStarted(withSerial, 0);
        play(recorder, "down 65 0,down 66 5,up 65 50,down 65 60,up 65 200,restart,down 65 300,up 65 400");
        QCOMPARE(recorder.verdict().state(), VerdictState::Failed);
        const UnitRecord record = *recorder.unitEnded(UnitEnd::Removal, 500);
        QCOMPARE(record.outcome, UnitOutcome::Failed);
        // Keys done count from the restart; the bounce of A before it stays.
        QCOMPARE(record.reasons, std::string("A chattered (10 ms); B, key 67 never pressed"));
        QCOMPARE(record.reasonKinds, std::string("chatter neverPressed"));
        QCOMPARE(record.identity.operatorName.value_or("none"), std::string("Li Wei"));
        QCOMPARE(record.maxKeysHeld, 1);
        QCOMPARE(record.identity.serial, std::string("SN-7"));
        QCOMPARE(QString::fromStdString(joinChatter(record.chatter)), QStringLiteral("65:10"));
    }

    // The record names what took the unit's keys, each source once in order;
    // with no key taken, the source in force.
    void captureSourceReachesTheRecord()
    {
        UnitRecorder recorder;
        recorder.setCaptureSource("display", false);
        recorder.unitStarted(identity(), 0);
        play(recorder, "down 65 0,up 65 50");
        recorder.setCaptureSource("/dev/input/event5 /dev/input/event6", true);
        play(recorder, "down 66 100,up 66 150,down 65 200");
        QCOMPARE(recorder.unitEnded(UnitEnd::Removal, 300)->capture,
                 std::string("display; /dev/input/event5 /dev/input/event6"));
        recorder.unitStarted(identity(), 400);
        QCOMPARE(recorder.unitEnded(UnitEnd::Removal, 500)->capture,
                 std::string("/dev/input/event5 /dev/input/event6"));
    }

    // Threshold edges with event times as the capture backend stamps them.
    void chatter_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("events"); // key:gap ...

        QTest::newRow("one below the threshold") << 30 << "down 65 0,up 65 50,down 65 79"
                                                 << "65:29";
        QTest::newRow("at the threshold is a real press") << 30 << "down 65 0,up 65 50,down 65 80"
                                                          << "";
        QTest::newRow("a microsecond below the threshold") << 30 << "down 65 0,up 65 50,down 65 79.999"
                                                           << "65:29";
        QTest::newRow("no gap at all") << 30 << "up 65 50,down 65 50"
                                       << "65:0";
        QTest::newRow("times out of order") << 30 << "up 65 50,down 65 49"
                                            << "";
        QTest::newRow("another key's release") << 30 << "up 66 50,down 65 55"
                                               << "";
        QTest::newRow("repeat after a bounce counts once") << 30 << "up 65 50,down 65 55,down 65 60"
                                                           << "65:5";
        QTest::newRow("threshold set to 10") << 10 << "up 65 0,down 65 9,up 65 20,down 65 30"
                                             << "65:9";
        QTest::newRow("threshold 0 turns it off") << 0 << "up 65 50,down 65 50"
                                                  << "";
    }

    void chatter()
    {
        QFETCH(int, threshold);
        QFETCH(QString, script);
        QFETCH(QString, events);
        UnitRecorder recorder;
        QCOMPARE(recorder.chatterThresholdMs(), 30);
        recorder.setChatterThresholdMs(threshold);
        recorder.unitStarted(identity(), 0);
        play(recorder, script);
        const UnitRecord record = *recorder.unitEnded(UnitEnd::Close, 1);
        QCOMPARE(QString::fromStdString(joinChatter(record.chatter)), events);
        QCOMPARE(record.chatterCount, static_cast<std::int64_t>(record.chatter.size()));
    }

    // The window paints a key red on the recorder's word: only for chatter
    // that fails the unit, while the record keeps every bounce.
    void chatterMarksTheKeyOnlyWhenItFails()
    {
        for (const auto rule : {VerdictCriteria::Chatter::Fail, VerdictCriteria::Chatter::Ignore}) {
            UnitRecorder recorder;
            VerdictCriteria criteria;
            criteria.chatter = rule;
            recorder.setCriteria(criteria);
            recorder.unitStarted(identity(), 0);
            QVERIFY(!recorder.keyPressed(65, 0));
            recorder.keyReleased(65, 50'000);
            QCOMPARE(recorder.keyPressed(65, 55'000), rule == VerdictCriteria::Chatter::Fail);
            QCOMPARE(recorder.unitEnded(UnitEnd::Close, 1)->chatterCount, std::int64_t(1));
        }
    }

    // Firmware texts on their way to databases that cannot hold a NUL.
    void cleanText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("cleaned");

        QTest::newRow("quotes kept") << QByteArray("a'b\"c;--") << QByteArray("a'b\"c;--");
        QTest::newRow("NULs dropped") << QByteArray("M4\0"
                                                    "84\0",
                                                    6)
                                      << QByteArray("M484");
        QTest::newRow("long text cut") << QByteArray(600, 'x') << QByteArray(512, 'x');
        QTest::newRow("cut before a split character")
            << QByteArray(511, 'x') + QByteArray("\xc3\xa9") << QByteArray(511, 'x');
        QTest::newRow("whole character at the end kept")
            << QByteArray(510, 'x') + QByteArray("\xc3\xa9z") << QByteArray(510, 'x') + QByteArray("\xc3\xa9");
    }

    void cleanText()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, cleaned);
        QCOMPARE(QByteArray::fromStdString(::cleanText(text.toStdString())), cleaned);
    }
};

QTEST_APPLESS_MAIN(tst_unitRecorder)
#include "tst_unitRecorder.moc"
