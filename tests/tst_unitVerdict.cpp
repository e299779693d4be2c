// The unit's verdict: each criterion and its settings, as a station writes
// them in Config.ini, over scripts of the events a unit goes through.
#include "unitVerdict.h"
#include "verdictText.h"

#include <QtTest>

namespace {

QString outcomeText(UnitOutcome outcome)
{
    static const char *const names[] = {"untested", "passed", "failed", "incomplete"};
    return QString::fromLatin1(names[static_cast<int>(outcome)]);
}

// "keys=none,keyCheck=required" as the [verdict] section would hold it.
VerdictCriteria criteriaFrom(const QString &settings)
{
    SettingValues values;
    for (const QString &pair : settings.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const int eq = pair.indexOf(QLatin1Char('='));
        values.emplace_back(pair.left(eq).toStdString(), pair.mid(eq + 1).toStdString());
    }
    return verdictCriteriaFrom(values);
}

// want 1 2 | start [serial] [magnetic] | down k | up k | tap k | chatter k gap |
// check bad | cal status | silent | restart | serial | from unit | from all
void play(UnitVerdict &verdict, const QString &script)
{
    for (const QString &step : script.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QStringList words = step.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString verb = words.takeFirst();
        const int n = words.isEmpty() ? 0 : words.first().toInt();
        if (verb == QLatin1String("want")) {
            std::vector<int> keys;
            for (const QString &word : words)
                keys.push_back(word.toInt());
            verdict.setWantedKeys(keys);
        } else if (verb == QLatin1String("start")) {
            verdict.unitStarted(words.contains(QLatin1String("serial")), words.contains(QLatin1String("magnetic")));
        } else if (verb == QLatin1String("down") || verb == QLatin1String("tap")) {
            verdict.keyPressed(n);
            if (verb == QLatin1String("tap"))
                verdict.keyReleased(n);
        } else if (verb == QLatin1String("up")) {
            verdict.keyReleased(n);
        } else if (verb == QLatin1String("chatter")) {
            verdict.chatter(n, words.at(1).toInt());
        } else if (verb == QLatin1String("check")) {
            verdict.keyCheckResult(std::size_t(n));
        } else if (verb == QLatin1String("cal")) {
            verdict.calibrationAnswer(n);
        } else if (verb == QLatin1String("silent")) {
            verdict.firmwareSilent();
        } else if (verb == QLatin1String("restart")) {
            verdict.restartKeys();
        } else if (verb == QLatin1String("serial")) {
            verdict.serialGiven();
        } else if (verb == QLatin1String("from")) {
            verdict.setKeySource(words.first() == QLatin1String("unit"));
        }
    }
}

} // namespace

class tst_unitVerdict : public QObject
{
    Q_OBJECT

private slots:
    void verdict_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("outcome"); // as the record keeps it: untested/passed/failed/incomplete
        QTest::addColumn<QString>("reasons");
        QTest::addColumn<int>("problems"); // settings not understood

        // keys=all
        QTest::newRow("every key pressed and released passes") << ""
                                                               << "want 1 2,start,tap 2,tap 1"
                                                               << "passed"
                                                               << "" << 0;
        QTest::newRow("a key still held is not done") << ""
                                                      << "want 1 2,start,tap 1,down 2"
                                                      << "incomplete"
                                                      << "K2 never pressed" << 0;
        QTest::newRow("a release without its press is not done") << ""
                                                                 << "want 1,start,up 1"
                                                                 << "untested"
                                                                 << "K1 never pressed" << 0;
        QTest::newRow("keys outside the variant do not count") << ""
                                                               << "want 1,start,tap 9"
                                                               << "incomplete"
                                                               << "K1 never pressed" << 0;
        QTest::newRow("nothing happened: untested") << ""
                                                    << "want 1,start"
                                                    << "untested"
                                                    << "K1 never pressed" << 0;
        QTest::newRow("no keys to test is no pass") << ""
                                                    << "start,tap 1"
                                                    << "incomplete"
                                                    << "no keys to test" << 0;
        QTest::newRow("a long list is cut") << ""
                                            << "want 1 2 3 4 5 6 7 8 9 10,start,tap 1"
                                            << "incomplete"
                                            << "K2, K3, K4, K5, K6, K7, K8, K9 and 1 more never pressed" << 0;
        QTest::newRow("keys=none: a clean key check passes") << "keys=none"
                                                             << "want 1,start,check 0"
                                                             << "passed"
                                                             << "" << 0;
        QTest::newRow("keys=none: nothing tried stays untested") << "keys=none"
                                                                 << "want 1,start"
                                                                 << "untested"
                                                                 << "" << 0;
        // chatter
        QTest::newRow("chatter fails at once") << ""
                                               << "want 1 2,start,tap 1,chatter 2 12"
                                               << "failed"
                                               << "K2 chattered (12 ms); K2 never pressed" << 0;
        QTest::newRow("chatter after a pass fails") << ""
                                                    << "want 1,start,tap 1,chatter 1 3"
                                                    << "failed"
                                                    << "K1 chattered (3 ms)" << 0;
        QTest::newRow("a key chattering twice is told once") << ""
                                                             << "want 1,start,chatter 1 3,chatter 1 8,tap 1"
                                                             << "failed"
                                                             << "K1 chattered (3 ms)" << 0;
        QTest::newRow("chatter=ignore") << "chatter=ignore"
                                        << "want 1,start,chatter 1 3,tap 1"
                                        << "passed"
                                        << "" << 0;
        QTest::newRow("Ctrl+Space restarts the keys, not the chatter") << ""
                                                                       << "want 1,start,tap 1,chatter 1 5,restart,tap 1"
                                                                       << "failed"
                                                                       << "K1 chattered (5 ms)" << 0;
        QTest::newRow("a variant click restarts the keys, not the chatter")
            << ""
            << "want 1,start,chatter 1 5,want 1 2,tap 1,tap 2"
            << "failed"
            << "K1 chattered (5 ms)" << 0;
        QTest::newRow("a restart clears the keys done") << ""
                                                        << "want 1 2,start,tap 1,restart,tap 2"
                                                        << "incomplete"
                                                        << "K1 never pressed" << 0;
        QTest::newRow("a key done twice is one key") << ""
                                                     << "want 1 2,start,tap 1,tap 1"
                                                     << "incomplete"
                                                     << "K2 never pressed" << 0;
        QTest::newRow("a restart keeps the unit's failures") << "keys=none"
                                                             << "start magnetic,cal 2,restart,silent,restart,want 1"
                                                             << "failed"
                                                             << "calibration failed; firmware not answering" << 0;
        QTest::newRow("a restart keeps a bad key") << "keys=none"
                                                   << "start,check 2,restart"
                                                   << "failed"
                                                   << "key check: 2 keys failed" << 0;
        QTest::newRow("a restart clears the most keys held") << "keys=none,minKeysHeld=2"
                                                             << "start,down 1,down 2,restart,down 3"
                                                             << "incomplete"
                                                             << "at most 1 keys held at once (want 2)" << 0;
        // key check
        QTest::newRow("one bad key") << "keys=none"
                                     << "start,check 1"
                                     << "failed"
                                     << "key check: 1 key failed" << 0;
        QTest::newRow("a clean rerun does not undo a bad key") << "keys=none"
                                                               << "start,check 2,check 0"
                                                               << "failed"
                                                               << "key check: 2 keys failed" << 0;
        QTest::newRow("keyCheck=required, not run") << "keys=none,keyCheck=required"
                                                    << "start,tap 1"
                                                    << "incomplete"
                                                    << "key check not run" << 0;
        QTest::newRow("keyCheck=off ignores bad keys") << "keys=none,keyCheck=off"
                                                       << "start,check 3"
                                                       << "passed"
                                                       << "" << 0;
        QTest::newRow("no key check on the magnetic platform") << "keys=none,keyCheck=required"
                                                               << "start magnetic,tap 1"
                                                               << "passed"
                                                               << "" << 0;
        // calibration
        QTest::newRow("calibration passed") << "keys=none,calibration=required"
                                            << "start magnetic,cal 1,cal 0"
                                            << "passed"
                                            << "" << 0;
        QTest::newRow("calibration failed") << "keys=none"
                                            << "start magnetic,cal 1,cal 2"
                                            << "failed"
                                            << "calibration failed" << 0;
        QTest::newRow("calibration under way") << "keys=none"
                                               << "start magnetic,cal 1"
                                               << "incomplete"
                                               << "calibration not finished" << 0;
        QTest::newRow("calibration=required, not run") << "keys=none,calibration=required"
                                                       << "start magnetic,tap 1"
                                                       << "incomplete"
                                                       << "calibration not run" << 0;
        QTest::newRow("calibration=off") << "keys=none,calibration=off"
                                         << "start magnetic,cal 2,tap 1"
                                         << "passed"
                                         << "" << 0;
        QTest::newRow("unknown calibration status ignored") << "keys=none"
                                                            << "start magnetic,cal 7"
                                                            << "untested"
                                                            << "" << 0;
        QTest::newRow("no calibration off the magnetic platform") << "keys=none,calibration=required"
                                                                  << "start,check 0"
                                                                  << "passed"
                                                                  << "" << 0;
        // rollover
        QTest::newRow("too few keys held at once") << "keys=none,minKeysHeld=6"
                                                   << "start,down 1,down 2,down 3,up 1,down 4"
                                                   << "incomplete"
                                                   << "at most 3 keys held at once (want 6)" << 0;
        QTest::newRow("a repeat is not another key held") << "keys=none,minKeysHeld=3"
                                                          << "start,down 1,down 1,down 2"
                                                          << "incomplete"
                                                          << "at most 2 keys held at once (want 3)" << 0;
        QTest::newRow("enough keys held at once") << "keys=none,minKeysHeld=3"
                                                  << "start,down 1,down 2,down 3"
                                                  << "passed"
                                                  << "" << 0;
        // firmware and serial
        QTest::newRow("firmware not answering") << ""
                                                << "want 1,start,tap 1,silent"
                                                << "failed"
                                                << "firmware not answering" << 0;
        QTest::newRow("firmware=off") << "firmware=off"
                                      << "want 1,start,tap 1,silent"
                                      << "passed"
                                      << "" << 0;
        QTest::newRow("serial required, none given: waits, never fails") << "serial=require"
                                                                         << "want 1,start,tap 1"
                                                                         << "incomplete"
                                                                         << "no serial" << 0;
        QTest::newRow("serial=required, given while connected") << "serial=required"
                                                                << "want 1,start,tap 1,serial"
                                                                << "passed"
                                                                << "" << 0;
        QTest::newRow("serial required and given") << "serial=require"
                                                   << "want 1,start serial,tap 1"
                                                   << "passed"
                                                   << "" << 0;
        QTest::newRow("serial asked for, none given") << "serial=ask"
                                                      << "want 1,start,tap 1"
                                                      << "passed"
                                                      << "" << 0;
        // order and settings
        QTest::newRow("failures in the order they came, then what is open")
            << "minKeysHeld=2"
            << "want 1,start,check 1,chatter 5 7,silent"
            << "failed"
            << "key check: 1 key failed; K5 chattered (7 ms); firmware not answering; K1 never pressed; "
               "at most 0 keys held at once (want 2)"
            << 0;
        QTest::newRow("a new unit forgets the last") << "keys=none"
                                                     << "start,check 1,silent,start,check 0"
                                                     << "passed"
                                                     << "" << 0;
        QTest::newRow("words in any case, spaces around") << "keys= None ,keyCheck=REQUIRED"
                                                          << "start,check 0"
                                                          << "passed"
                                                          << "" << 0;
        // keys from the unit alone
        QTest::newRow("source=any: keys from every keyboard count") << ""
                                                                    << "want 1,start,tap 1"
                                                                    << "passed"
                                                                    << "" << 0;
        QTest::newRow("source=unit: keys from every keyboard do not") << "source=unit"
                                                                      << "want 1,start,from all,tap 1,from unit"
                                                                      << "incomplete"
                                                                      << "keys not taken from the unit" << 0;
        QTest::newRow("source=unit: the unit's own keys pass") << "source=unit"
                                                               << "want 1,from unit,start,tap 1"
                                                               << "passed"
                                                               << "" << 0;
        QTest::newRow("source=unit: a key after the capture changed") << "source=unit,keys=none"
                                                                      << "from unit,start,check 0,from all,down 1"
                                                                      << "incomplete"
                                                                      << "keys not taken from the unit" << 0;
        QTest::newRow("source=unit: a restart drops the keys from elsewhere")
            << "source=unit"
            << "want 1,start,tap 1,from unit,restart,tap 1"
            << "passed"
            << "" << 0;
        QTest::newRow("names in any case") << "KEYS=none,KeyCheck=Require"
                                           << "start,tap 1"
                                           << "incomplete"
                                           << "key check not run" << 0;
        QTest::newRow("settings not understood keep every unit from passing")
            << "keys=some,chatter=maybe,minKeysHeld=-1,firmware=yes,color=red"
            << "want 1,start,tap 1,chatter 1 4"
            << "failed"
            << "K1 chattered (4 ms); Settings: keys=some not understood; Settings: chatter=maybe not understood; "
               "Settings: minKeysHeld=-1 not understood; Settings: firmware=yes not understood; Settings: "
               "color=red not understood"
            << 5;
        QTest::newRow("a unit not tried under settings not understood is incomplete")
            << "keys=none,colour=red"
            << "start"
            << "incomplete"
            << "Settings: colour=red not understood" << 1;
        QTest::newRow("a rollover want past any keyboard") << "keys=none,minKeysHeld=999"
                                                           << "start,down 1"
                                                           << "incomplete"
                                                           << "Settings: minKeysHeld=999 not understood" << 1;
        QTest::newRow("the largest rollover want is taken") << "keys=none,minKeysHeld=256"
                                                            << "start,down 1"
                                                            << "incomplete"
                                                            << "at most 1 keys held at once (want 256)" << 0;
        QTest::newRow("no chatter threshold under chatter=fail") << "chatterMs=0"
                                                                 << "want 1,start,tap 1"
                                                                 << "incomplete"
                                                                 << "Settings: chatterMs=0 not understood" << 1;
        QTest::newRow("no chatter threshold under chatter=ignore") << "chatter=ignore,chatterMs=0"
                                                                   << "want 1,start,tap 1"
                                                                   << "passed"
                                                                   << "" << 0;
        QTest::newRow("one key twice, differing") << "keys=none,Keys=all"
                                                  << "start,tap 1"
                                                  << "incomplete"
                                                  << "Settings: Keys=all not understood" << 1;
    }

    void verdict()
    {
        QFETCH(QString, settings);
        QFETCH(QString, script);
        QFETCH(QString, outcome);
        QFETCH(QString, reasons);
        UnitVerdict verdict;
        verdict.setCriteria(criteriaFrom(settings));
        QTEST(int(verdict.criteria().notUnderstood.size()), "problems");
        play(verdict, script);
        QCOMPARE(outcomeText(verdict.outcome()), outcome);
        const VerdictState state = verdict.state();
        QCOMPARE(state == VerdictState::Passed, outcome == QLatin1String("passed"));
        QCOMPARE(state == VerdictState::Failed, outcome == QLatin1String("failed"));
        const std::string told =
            describeReasons(verdict.reasons(), VerdictWords(), [](int qtDec) { return "K" + std::to_string(qtDec); });
        QCOMPARE(QString::fromStdString(told), reasons);
    }

    void criteriaAsOneText()
    {
        QCOMPARE(QString::fromStdString(canonicalText(criteriaFrom("keyCheck=REQUIRE,chatterMs= 12 ,source=unit"))),
                 QStringLiteral("keys=all;chatter=fail;chatterMs=12;keyCheck=required;calibration=ifRun;"
                                "minKeysHeld=0;serial=off;firmware=required;source=unit"));
    }

    // What the bar redraws on: every change it shows moves the revision.
    void revisionMovesWithWhatIsShown()
    {
        UnitVerdict verdict;
        verdict.setWantedKeys({1, 2});
        verdict.unitStarted(false, false);
        unsigned last = verdict.revision();
        auto moved = [&]() {
            const bool changed = verdict.revision() != last;
            last = verdict.revision();
            return changed;
        };
        verdict.keyPressed(1);
        QVERIFY(moved()); // the first event, and one key held
        verdict.keyPressed(1);
        QVERIFY(!moved()); // a repeat changes nothing
        verdict.keyReleased(1);
        QVERIFY(moved());
        QCOMPARE(verdict.keysDone(), 1);
        verdict.keyPressed(2);
        verdict.keyReleased(2);
        QVERIFY(moved());
        QCOMPARE(verdict.state(), VerdictState::Passed);
        verdict.chatter(2, 4);
        QVERIFY(moved());
        verdict.firmwareSilent();
        QVERIFY(moved());
        verdict.firmwareSilent();
        QVERIFY(!moved());
    }
};

QTEST_APPLESS_MAIN(tst_unitVerdict)
#include "tst_unitVerdict.moc"
