// The verdict's rules under random sequences of presses, releases, bounces,
// restarts, variant changes, key checks, calibration answers, silent
// firmware, link drops, serials, capture changes and settings. A failing
// sequence names its seed; TKT_VERDICT_SEED=<seed> replays that one alone.
#include "verdictRandomRun.h"

#include <QtTest>

class tst_verdictInvariants : public QObject
{
    Q_OBJECT

private slots:
    void randomSequences()
    {
        const QByteArray replay = qgetenv("TKT_VERDICT_SEED");
        const std::uint64_t first = replay.isEmpty() ? 1 : replay.toULongLong();
        const std::uint64_t count = replay.isEmpty() ? 4000 : 1;
        int units = 0;
        for (std::uint64_t seed = first; seed < first + count; ++seed) {
            const verdictRandom::Outcome outcome = verdictRandom::run(seed);
            units += outcome.units;
            QVERIFY2(outcome.violation.empty(),
                     qPrintable(QStringLiteral("seed %1 (replay with TKT_VERDICT_SEED=%1): %2")
                                    .arg(seed)
                                    .arg(QString::fromStdString(outcome.violation))));
        }
        qInfo("%llu sequences, %d units, no rule broken", static_cast<unsigned long long>(count), units);
    }
};

QTEST_APPLESS_MAIN(tst_verdictInvariants)
#include "tst_verdictInvariants.moc"
