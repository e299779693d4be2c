#include "lineForwarder.h"
#include "resultFigures.h"
#include "resultSchema.h"
#include "resultStoreFile.h"
#include "resultsCommand.h"

#include "commandLineRun.h"
#include "handMadeUnits.h"
#include "pgCluster.h"
#include "stationStore.h"

#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace handMadeUnits;

namespace {

QString countsText(const FigureCounts &c)
{
    return QStringLiteral("units %1 serials %2 first %3 final %4 retests %5 passed %6 failed %7 incomplete %8")
        .arg(c.units)
        .arg(c.serials)
        .arg(c.firstPassed)
        .arg(c.finalPassed)
        .arg(c.retests)
        .arg(c.passed)
        .arg(c.failed)
        .arg(c.incomplete);
}

QStringList groupsText(const Figures &f)
{
    QStringList rows;
    for (const FigureGroup &g : f.groups)
        rows << QStringLiteral("%1 %2 %3:%4 %5 %6: %7")
                    .arg(g.day, g.station)
                    .arg(g.vid, 4, 16, QLatin1Char('0'))
                    .arg(g.pid, 4, 16, QLatin1Char('0'))
                    .arg(g.model,
                         g.operatorName ? QLatin1Char('"') + *g.operatorName + QLatin1Char('"') : QStringLiteral("-"),
                         countsText(g.counts));
    return rows;
}

QString reasonsText(const Figures &f)
{
    QStringList parts;
    for (const ReasonCount &r : f.reasons)
        parts << QStringLiteral("%1 %2").arg(r.kind).arg(r.units);
    return parts.join(QStringLiteral(", "));
}

QString keysText(const Figures &f)
{
    QStringList parts;
    for (const KeyFailureCount &k : f.keys)
        parts << QStringLiteral("%1 %2 %3").arg(k.kind).arg(k.key).arg(k.units);
    return parts.join(QStringLiteral(", "));
}

QString criteriaText(const Figures &f)
{
    QStringList parts;
    for (const CriteriaCount &c : f.criteria)
        parts << QStringLiteral("%1: %2").arg(c.criteria.value_or(QStringLiteral("-"))).arg(c.units);
    return parts.join(QStringLiteral(", "));
}

} // namespace

// The line's figures from a hand-made store, and the same from the line store
// on a real PostgreSQL server started here.
class tst_resultFigures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        writeStationStore(m_dir.filePath(QStringLiteral("both")), bothStations());
        writeStationStore(m_dir.filePath(QStringLiteral("st-1")), firstStation(), true);
        writeStationStore(m_dir.filePath(QStringLiteral("st-2")), secondStation(), true);
    }

    void figures_data()
    {
        QTest::addColumn<bool>("line");
        QTest::addColumn<qint64>("since");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QStringList>("groups");
        QTest::addColumn<QString>("reasons");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("criteria");

        const QString total =
            QStringLiteral("units 7 serials 3 first 1 final 1 retests 2 passed 2 failed 4 incomplete 1");
        // The first day's group has S1's last attempt (passed) but not S2's.
        const QStringList groups = {
            "2026-05-20 st-1 0416:b23c NUC121 -: units 1 serials 0 first 0 final 0 retests 0 passed 0 failed 1 "
            "incomplete 0",
            "2026-05-20 st-1 0416:b23c NUC121 \"ann\": units 4 serials 2 first 1 final 1 retests 1 passed 2 failed 1 "
            "incomplete 1",
            "2026-05-21 st-2 0416:7372 M484 \"\": units 2 serials 2 first 0 final 0 retests 1 passed 0 failed 2 "
            "incomplete 0"};
        const QString reasons = QStringLiteral("chatter 2, calibration 1, neverPressed 1, unrecorded 1");
        const QString keys = QStringLiteral(
            "chatter 65 2, calibration 4 1, calibration 22 1, chatter 70 1, neverPressed 68 1, neverPressed 69 1");
        const QString criteria = QStringLiteral("-: 1, %1: 4, %2: 2").arg(CriteriaA, CriteriaB);
        // S2's attempt on the second day is its second, also where that
        // station's own store saw it first.
        const QString secondDay =
            QStringLiteral("units 2 serials 2 first 0 final 0 retests 1 passed 0 failed 2 incomplete 0");
        for (bool line : {false, true}) {
            const char *store = line ? "line store" : "station store";
            QTest::addRow("%s, all units", store)
                << line << qint64(-1) << total << groups << reasons << keys << criteria;
            QTest::addRow("%s, second day", store)
                << line << May20 + 24 * Hour << secondDay << QStringList(groups.mid(2))
                << QStringLiteral("calibration 1, chatter 1")
                << QStringLiteral("calibration 4 1, calibration 22 1, chatter 65 1, chatter 70 1")
                << QStringLiteral("%1: 2").arg(CriteriaB);
        }
    }

    void figures()
    {
        QFETCH(bool, line);
        QFETCH(qint64, since);
        FiguresQuery query;
        if (since >= 0)
            query.sinceUtcMs = since;
        query.maxFailedUnits = 10;
        Figures f;
        QString error;
        if (line)
            QVERIFY2(resultFigures::fromLine(parseLineTarget(lineUrl()), query, &f, &error), qPrintable(error));
        else
            QVERIFY2(resultFigures::fromStation(resultStoreFile::pathIn(m_dir.filePath(QStringLiteral("both"))), query,
                                                &f, &error),
                     qPrintable(error));
        QTEST(countsText(f.total), "total");
        QTEST(groupsText(f), "groups");
        QTEST(reasonsText(f), "reasons");
        QTEST(keysText(f), "keys");
        QTEST(criteriaText(f), "criteria");
        QCOMPARE(f.stations(), since < 0 ? (QStringList{"st-1", "st-2"}) : QStringList{"st-2"});
        QStringList failed;
        for (const FailedUnit &u : f.failedUnits)
            failed << u.unitId + QLatin1Char(':') + u.serial + QLatin1Char(':') + QString::number(u.attempt);
        QCOMPARE(failed, since < 0 ? (QStringList{"u0::0", "u1:S1:1", "u5:S3:1", "u6:S2:2"})
                                   : (QStringList{"u5:S3:1", "u6:S2:2"}));
    }

    // S2's next attempt is of the other platform: its unit here is still
    // the last of this platform's, and S2 one of its serials.
    void onePlatform_data()
    {
        QTest::addColumn<bool>("line");
        QTest::newRow("station store") << false;
        QTest::newRow("line store") << true;
    }

    void onePlatform()
    {
        QFETCH(bool, line);
        FiguresQuery query;
        query.vid = 0x0416;
        query.pid = 0xb23c;
        Figures f;
        QString error;
        QVERIFY2(line ? resultFigures::fromLine(parseLineTarget(lineUrl()), query, &f, &error)
                      : resultFigures::fromStation(resultStoreFile::pathIn(m_dir.filePath(QStringLiteral("both"))),
                                                   query, &f, &error),
                 qPrintable(error));
        QCOMPARE(countsText(f.total),
                 QStringLiteral("units 5 serials 2 first 1 final 1 retests 1 passed 2 failed 2 incomplete 1"));
    }

    // A store of an older tool, read before a window brought it up to date:
    // no attempts, and each serial's last unit still its last.
    void storeOfAnOlderTool()
    {
        const QString path = resultStoreFile::pathIn(m_dir.filePath(QStringLiteral("v3")));
        QDir().mkpath(m_dir.filePath(QStringLiteral("v3")));
        {
            QSqlDatabase db = resultStoreFile::open(QStringLiteral("v3"), path, false, 100, nullptr);
            QVERIFY(resultSchema::migrate(db, 3, nullptr));
            QSqlQuery insert(db);
            for (const char *row : {"('a', 1, 2, 'S', 'passed')", "('b', 3, 4, 'S', 'passed')",
                                    "('c', 5, 6, 'T', 'failed')", "('d', 7, 8, '', 'passed')"})
                QVERIFY(insert.exec(QStringLiteral("INSERT INTO units (unit_id, start_utc_ms, end_utc_ms, serial,"
                                                   " outcome) VALUES %1")
                                        .arg(QLatin1String(row))));
        }
        resultStoreFile::release(QStringLiteral("v3"));
        Figures f;
        QString error;
        QVERIFY2(resultFigures::fromStation(path, FiguresQuery(), &f, &error), qPrintable(error));
        QCOMPARE(countsText(f.total),
                 QStringLiteral("units 4 serials 2 first 0 final 1 retests 0 passed 3 failed 1 incomplete 0"));
    }

    // The summary command reads the line store of the station's settings.
    void lineSummary()
    {
        const QString dataDir = m_dir.filePath(QStringLiteral("settings"));
        QDir().mkpath(dataDir);
        QSettings(dataDir + QStringLiteral("/Config.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("results/url"), lineUrl());
        QString text;
        QString errors;
        QCOMPARE(runCommandLine([&](CommandLine &commandLine) { resultsCommand::addTo(commandLine, dataDir); },
                                {"--results-summary", "--line", "--since", "2026-05-21"}, &text, &errors),
                 0);
        QVERIFY2(text.contains(QRegularExpression(
                     QStringLiteral("\ntotal +2 +0 +2 +0 +2 +0 \\(0\\.0 %\\) +0 \\(0\\.0 %\\) +1\n"))),
                 qPrintable(text + errors));
    }

private:
    // The two stations' units reach the line out of order: the second
    // station's first.
    QString lineUrl()
    {
        if (!m_lineUrl.isEmpty())
            return m_lineUrl;
        if (!m_cluster.init() || !m_cluster.start()) {
            QTest::qFail(qPrintable(m_cluster.error()), __FILE__, __LINE__);
            return QString();
        }
        m_cluster.query(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE line"));
        const QString url = m_cluster.url(QStringLiteral("line"));
        for (const char *station : {"st-2", "st-1"}) {
            LineForwarder forwarder(resultStoreFile::pathIn(m_dir.filePath(QLatin1String(station))),
                                    parseLineTarget(url), 1000, 1000);
            forwarder.forwardQueued();
        }
        m_lineUrl = url;
        return url;
    }

    QTemporaryDir m_dir;
    PgCluster m_cluster;
    QString m_lineUrl;
};

QTEST_GUILESS_MAIN(tst_resultFigures)
#include "tst_resultFigures.moc"
