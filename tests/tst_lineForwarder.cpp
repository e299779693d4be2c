#include "commandLine.h"
#include "lineForwarder.h"
#include "resultStore.h"
#include "resultStoreFile.h"
#include "resultsCommand.h"

#include "pgCluster.h"
#include "recordedLog.h"
#include "sampleUnit.h"
#include "silentServer.h"

#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#include <memory>

namespace {

constexpr int Units = 20;
constexpr int WaitMs = 60000;

ResultStore::Options toLine(const QString &url)
{
    ResultStore::Options options;
    options.retryMs = 50;
    options.forwardIntervalMs = 100;
    options.lineUrl = url;
    return options;
}

} // namespace

// The line store against a real server that this test starts and stops.
class tst_lineForwarder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_log = std::make_unique<RecordedLog>();
        QVERIFY2(m_cluster.init() && m_cluster.start(), qPrintable(m_cluster.error()));
        QVERIFY(m_cluster.query("postgres", "CREATE DATABASE texts").isEmpty());
    }

    // Whatever the server does in the middle of a run, every unit arrives once.
    void delivery_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::newRow("server up") << "none";
        QTest::newRow("stopped mid-run, restarted") << "restart";
        QTest::newRow("refusing until its database exists") << "refusing";
        QTest::newRow("slow server") << "slow";
        QTest::newRow("sent again after a crash between the commits") << "again";
    }

    void delivery()
    {
        QFETCH(QString, trouble);
        const QString database = QStringLiteral("line_%1").arg(trouble);
        if (trouble != QLatin1String("refusing"))
            QVERIFY(m_cluster.query("postgres", "CREATE DATABASE " + database).isEmpty());
        if (trouble == QLatin1String("slow")) {
            // The table as an older tool made it: the forwarder adds what it lacks.
            QVERIFY(m_cluster.query(database, LineForwarder::schemaStatements().first()).isEmpty());
            QVERIFY(m_cluster
                        .query(database, "CREATE FUNCTION crawl() RETURNS trigger AS "
                                         "$$ BEGIN PERFORM pg_sleep(0.05); RETURN NEW; END $$ LANGUAGE plpgsql")
                        .isEmpty());
            QVERIFY(m_cluster
                        .query(database, "CREATE TRIGGER crawl BEFORE INSERT ON unit_results "
                                         "FOR EACH ROW EXECUTE FUNCTION crawl()")
                        .isEmpty());
        }
        const QString count = QStringLiteral("SELECT count(DISTINCT unit_id) || '/' || count(*) FROM unit_results");
        const QString all = QStringLiteral("%1/%1").arg(Units);
        QTemporaryDir dir;
        ResultStore store(dir.path(), toLine(m_cluster.url(database)));
        QSignalSpy saved(&store, &ResultStore::saved);
        for (int i = 0; i < Units / 2; ++i)
            store.save(sampleUnit(QStringLiteral("%1-%2").arg(trouble).arg(i).toStdString()));
        if (trouble == QLatin1String("restart"))
            QVERIFY(m_cluster.stop());
        for (int i = Units / 2; i < Units; ++i)
            store.save(sampleUnit(QStringLiteral("%1-%2").arg(trouble).arg(i).toStdString()));
        // The operator's side never waits on the server.
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), Units, WaitMs);
        if (trouble == QLatin1String("restart"))
            QVERIFY2(m_cluster.start(), qPrintable(m_cluster.error()));
        if (trouble == QLatin1String("refusing"))
            QVERIFY(m_cluster.query("postgres", "CREATE DATABASE " + database).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(m_cluster.query(database, count), QStringList{all}, WaitMs);
        const QString queue = QStringLiteral("SELECT count(*) FROM line_queue");
        QTRY_COMPARE_WITH_TIMEOUT(firstColumn("QSQLITE", store.filePath(), queue), QStringList{"0"}, WaitMs);
        if (trouble == QLatin1String("again")) {
            firstColumn("QSQLITE", store.filePath(),
                        "INSERT INTO line_queue (unit_id, queued_utc_ms) SELECT unit_id, 0 FROM units");
            QTRY_COMPARE_WITH_TIMEOUT(firstColumn("QSQLITE", store.filePath(), queue), QStringList{"0"}, WaitMs);
            QCOMPARE(m_cluster.query(database, count), QStringList{all});
        }
    }

    // Identity texts reach the server as data, never as SQL, and without
    // NULs however the unit came (a fallback line edited by hand).
    void identityTexts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("quotes and a statement") << QByteArray("x'); DROP TABLE unit_results; --\"");
        QTest::newRow("NUL bytes") << QByteArray("M4\0"
                                                 "84",
                                                 5);
        QTest::newRow("very long") << QByteArray(100000, 'L');
        QTest::newRow("not UTF-8") << QByteArray("\xff\xfe"
                                                 "abc");
        QTest::newRow("backslashes and dollars") << QByteArray("\\x00 $$ $1 \\' E'");
    }

    void identityTexts()
    {
        QFETCH(QByteArray, text);
        UnitRecord unit = sampleUnit(QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString());
        unit.identity.manufacturer = text.toStdString();
        QTemporaryDir dir;
        {
            ResultStore store(dir.path(), toLine(m_cluster.url("texts")));
            QSignalSpy forwarded(&store, &ResultStore::forwarded);
            store.save(unit);
            QVERIFY(forwarded.wait(WaitMs));
        }
        const QString expected = QString::fromStdString(cleanText(text.toStdString()));
        QCOMPARE(m_cluster.query("texts", QStringLiteral("SELECT manufacturer FROM unit_results WHERE unit_id = '%1'")
                                              .arg(QString::fromStdString(unit.unitId))),
                 QStringList{expected});
        QCOMPARE(firstColumn("QSQLITE", resultStoreFile::pathIn(dir.path()), "SELECT manufacturer FROM units"),
                 QStringList{expected});
    }

    // The table as the tool before the line's figures left it, with a unit of
    // a serial in it: the serial's next unit is its second attempt, and the
    // older row gets its next attempt's start.
    void tableOfAnOlderTool()
    {
        QVERIFY(m_cluster.query("postgres", "CREATE DATABASE older").isEmpty());
        for (const QString &statement : LineForwarder::schemaStatements().mid(0, 5))
            QVERIFY(m_cluster.query("older", statement).isEmpty());
        QVERIFY(m_cluster
                    .query("older", "INSERT INTO unit_results (unit_id, start_utc_ms, end_utc_ms, serial, outcome,"
                                    " capture) VALUES ('before', 1, 2, 'SN-0042', 'failed', 'display')")
                    .isEmpty());
        QTemporaryDir dir;
        {
            ResultStore store(dir.path(), toLine(m_cluster.url("older")));
            QSignalSpy forwarded(&store, &ResultStore::forwarded);
            store.save(sampleUnit("now"));
            QVERIFY(forwarded.wait(WaitMs));
        }
        QCOMPARE(m_cluster.query("older", "SELECT unit_id || ':' || coalesce(attempt::text, '-') || ':' ||"
                                          " coalesce(next_attempt_utc_ms::text, '-') || ':' ||"
                                          " coalesce(operator, '-') FROM unit_results ORDER BY start_utc_ms"),
                 (QStringList{"before:-:1779235200000:-", "now:2:-:ann"}));
    }

    // Which of the server's errors are about the unit alone (another unit
    // would go through) and which about the server or the connection.
    void refusalOrTrouble_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<bool>("theUnits");
        QTest::newRow("text too long for a narrowed column") << "22001" << true;
        QTest::newRow("character the encoding lacks") << "22P05" << true;
        QTest::newRow("CHECK constraint") << "23514" << true;
        QTest::newRow("NOT NULL") << "23502" << true;
        QTest::newRow("row too big") << "54000" << true;
        QTest::newRow("connection failure") << "08006" << false;
        QTest::newRow("statement timeout") << "57014" << false;
        QTest::newRow("server shutting down") << "57P01" << false;
        QTest::newRow("no right to insert") << "42501" << false;
        QTest::newRow("table gone") << "42P01" << false;
        QTest::newRow("deadlock") << "40P01" << false;
        QTest::newRow("no state: the connection lost") << "" << false;
    }

    void refusalOrTrouble()
    {
        QFETCH(QString, state);
        QFETCH(bool, theUnits);
        const QSqlError error(QStringLiteral("QPSQL: Unable to create query"), QStringLiteral("ERROR"),
                              QSqlError::StatementError, state);
        QCOMPARE(LineForwarder::refusesTheUnit(error), theUnits);
    }

    // A unit the server refuses for itself (a CHECK on serial added by a DBA)
    // is set aside after its tries, logged once, and the units behind it
    // arrive; once the server is mended, --forward-again sends it.
    void refusedUnitSetAside()
    {
        const QString database = QStringLiteral("refusing_one");
        QVERIFY(m_cluster.query("postgres", "CREATE DATABASE " + database).isEmpty());
        for (const QString &statement : LineForwarder::schemaStatements())
            QVERIFY(m_cluster.query(database, statement).isEmpty());
        QVERIFY(
            m_cluster.query(database, "ALTER TABLE unit_results ADD CONSTRAINT serial_form CHECK (serial LIKE 'SN-%')")
                .isEmpty());
        QTemporaryDir dir;
        const QString count = QStringLiteral("SELECT count(*) FROM unit_results");
        ResultStore store(dir.path(), toLine(m_cluster.url(database)));
        UnitRecord refused = sampleUnit("refused");
        refused.identity.serial = "TK87 000123";
        store.save(sampleUnit("before"));
        store.save(refused);
        for (int i = 0; i < 5; ++i)
            store.save(sampleUnit(QStringLiteral("after-%1").arg(i).toStdString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_cluster.query(database, count), QStringList{"6"}, WaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(firstColumn("QSQLITE", store.filePath(), "SELECT unit_id FROM line_aside"),
                                  QStringList{"refused"}, WaitMs);
        QCOMPARE(firstColumn("QSQLITE", store.filePath(), "SELECT count(*) FROM line_queue"), QStringList{"0"});
        QVERIFY(firstColumn("QSQLITE", store.filePath(), "SELECT reason FROM line_aside")
                    .first()
                    .contains(QLatin1String("serial_form")));
        QCOMPARE(RecordedLog::count(QStringLiteral("unit refused set aside after")), 1);

        QVERIFY(m_cluster.query(database, "ALTER TABLE unit_results DROP CONSTRAINT serial_form").isEmpty());
        QString out;
        QTextStream outStream(&out);
        QTextStream errStream(&out);
        CommandLine commandLine{QString(), QString()};
        resultsCommand::addTo(commandLine, dir.path());
        QCOMPARE(commandLine.parse({"TavrinKeyboardTest", "--forward-again"}), CommandLine::Outcome::Command);
        QCOMPARE(commandLine.run(outStream, errStream), int(resultsCommand::Done));
        QTRY_COMPARE_WITH_TIMEOUT(m_cluster.query(database, count), QStringList{"7"}, WaitMs);
    }

    // A server that takes the connection and never answers: the store's
    // close waits for the sender's connect to give up and joins it, rather
    // than leave it running into the program's exit.
    void closeJoinsTheSender()
    {
        SilentServer server;
        QVERIFY(server.port() > 0);
        QTemporaryDir dir;
        {
            ResultStore::Options options =
                toLine(QStringLiteral("postgresql://tkt@127.0.0.1:%1/none").arg(server.port()));
            options.closeWaitMs = 100;
            ResultStore store(dir.path(), options);
            store.save(sampleUnit("waits"));
            QTRY_VERIFY_WITH_TIMEOUT(server.hasClient(), WaitMs);
        }
        QCOMPARE(QSqlDatabase::connectionNames().filter(QStringLiteral("tkt_results_")), QStringList());
    }

    // An engineer's URLs until one is right: a parameter the tool does not
    // know, then a root certificate that is not the server's. Neither sends a
    // unit; both units wait in the queue and arrive, over TLS, once the URL
    // names the server's root certificate.
    void mendedTlsUrl()
    {
        QVERIFY(m_cluster.query("postgres", "CREATE DATABASE line_tls").isEmpty());
        QVERIFY(m_cluster.query("line_tls", LineForwarder::schemaStatements().first()).isEmpty());
        QTemporaryDir dir;
        // A name the client library must be handed quoted.
        const QString root = dir.filePath(QStringLiteral("line's root.crt"));
        QVERIFY(QFile::copy(m_cluster.certificate(QStringLiteral("root.crt")), root));
        const QString url =
            QStringLiteral("postgresql://tkt@127.0.0.1:\\d+/line_tls\\?sslmode=verify-full&sslrootcert=");
        const QList<QPair<QString, QString>> wrong = {
            {m_cluster.tlsUrl("line_tls", root) + "&sslrootcrt=typo",
             "line store: \\[results\\] url " + url +
                 ".*root.crt not used: unknown parameter \"sslrootcrt\"; "
                 "units stay queued in the station store until it is mended"},
            {m_cluster.tlsUrl("line_tls", m_cluster.certificate(QStringLiteral("other-root.crt"))),
             "line store: " + url + ".*other-root.crt not reached, units stay queued: .*certificate verify failed"}};
        for (int i = 0; i < wrong.size(); ++i) {
            const auto &attempt = wrong[i];
            ResultStore store(dir.path(), toLine(attempt.first));
            QSignalSpy saved(&store, &ResultStore::saved);
            store.save(sampleUnit("attempt " + std::to_string(i)));
            QTRY_COMPARE_WITH_TIMEOUT(RecordedLog::count(attempt.second), 1, WaitMs);
            QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, WaitMs);
        }
        QCOMPARE(m_cluster.query("line_tls", "SELECT count(*) FROM unit_results"), QStringList{"0"});
        QCOMPARE(firstColumn("QSQLITE", resultStoreFile::pathIn(dir.path()), "SELECT count(*) FROM line_queue"),
                 QStringList{"2"});

        ResultStore store(dir.path(), toLine(m_cluster.tlsUrl("line_tls", root)));
        QTRY_COMPARE_WITH_TIMEOUT(m_cluster.query("line_tls", "SELECT count(DISTINCT unit_id) || '/' || count(*) "
                                                              "FROM unit_results"),
                                  QStringList{"2/2"}, WaitMs);
        QCOMPARE(RecordedLog::count("line store: connected to " + url +
                                    ".*line%27s root.crt, encrypted \\(TLSv1.3, \\w+\\), sslmode=verify-full"),
                 1);
    }

private:
    std::unique_ptr<RecordedLog> m_log; // made once the test's own handler is in place
    PgCluster m_cluster{false, QStringLiteral(TKT_TEST_CERTIFICATES)};
};

QTEST_GUILESS_MAIN(tst_lineForwarder)
#include "tst_lineForwarder.moc"
