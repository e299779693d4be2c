#include "recordedLog.h"
#include "resultExport.h"
#include "resultSchema.h"
#include "resultStore.h"
#include "resultStoreFile.h"
#include "sampleUnit.h"
#include "storeAside.h"
#include "storeTrouble.h"
#include "unitFallbackFile.h"
#include "unitLine.h"
#include "unitProgressFile.h"
#include "withoutFileOverride.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <memory>

namespace {

ResultStore::Options quick()
{
    ResultStore::Options options;
    options.busyTimeoutMs = 100;
    options.retryMs = 50;
    options.retryMostMs = 400;
    return options;
}

// Saves one unit and waits until the store says it is written or kept.
bool saveOne(ResultStore &store, const std::string &unitId)
{
    QSignalSpy saved(&store, &ResultStore::saved);
    QSignalSpy kept(&store, &ResultStore::deferred);
    store.save(sampleUnit(unitId));
    return QTest::qWaitFor([&] { return saved.count() + kept.count() > 0; }, 10000) && kept.isEmpty();
}

QStringList unitsIn(const QString &storePath, const QString &table = QStringLiteral("units"))
{
    QStringList units = firstColumn(QStringLiteral("QSQLITE"), storePath, "SELECT unit_id FROM " + table);
    units.sort();
    return units;
}

} // namespace

class tst_resultStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_log = std::make_unique<RecordedLog>(); }

    void init() { RecordedLog::clear(); }

    // Only a store that SQLite calls broken, or one of a newer tool, is moved
    // aside; any other trouble keeps the store and the units: at close they
    // wait in the fallback file, and the next start imports them, each once.
    // Units waiting past the bound go to that file at once.
    void troubledStore_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("movedAside");
        QTest::addColumn<QStringList>("unitsAfter");
        const QStringList both = {"later", "new"};
        const QStringList all = {"later", "new", "old"};
        QTest::newRow("corrupt") << "corrupt" << false << true << both;
        QTest::newRow("locked by another writer") << "locked" << true << false << all;
        QTest::newRow("read-only") << "read-only" << true << false << all;
        QTest::newRow("a folder in its place") << "folder" << true << false << both;
        // A tool killed while it made the store: the tables are made now.
        QTest::newRow("left without tables") << "half made" << false << false << both;
        // Its unit still queued for the line store goes to the new store.
        QTest::newRow("from a newer tool") << "newer" << false << true << all;
        // The WAL store of an older tool, then SQLite without shared memory, as
        // on a 9p, CIFS or NFS home: the rollback journal on the same file.
        QTest::newRow("no shared memory") << "no shared memory" << false << false << all;
    }

    void troubledStore()
    {
        QFETCH(QString, trouble);
        QFETCH(bool, refused);
        QFETCH(bool, movedAside);
        QFETCH(QStringList, unitsAfter);
        QTemporaryDir dir;
        const QString path = resultStoreFile::pathIn(dir.path());
        const QString fallback = dir.filePath(QStringLiteral("results-unwritten.txt"));
        ResultStore::Options options = quick();
        // Refused at once, so every unit stays queued for it.
        options.lineUrl = QStringLiteral("postgresql://nobody@127.0.0.1:1/none");
        const bool hasOld = trouble != QLatin1String("corrupt") && trouble != QLatin1String("folder") &&
                            trouble != QLatin1String("half made");
        if (hasOld) {
            ResultStore first(dir.path(), options);
            QVERIFY(saveOne(first, "old"));
        }
        if (trouble == QLatin1String("corrupt")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'x'));
        } else if (trouble == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (trouble == QLatin1String("half made")) {
            QVERIFY(resultStoreFile::open(QStringLiteral("half"), path, false, 100, nullptr).isOpen());
            resultStoreFile::release(QStringLiteral("half"));
        } else if (trouble == QLatin1String("read-only")) {
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        } else if (trouble == QLatin1String("newer")) {
            firstColumn(QStringLiteral("QSQLITE"), path, QStringLiteral("UPDATE schema_version SET version = 99"));
        } else if (trouble == QLatin1String("no shared memory")) {
            options.sqliteVfs = QStringLiteral("unix-none");
        }
        QSqlDatabase locker;
        if (trouble == QLatin1String("locked")) {
            locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
            locker.setDatabaseName(path);
            QVERIFY(locker.open());
            QVERIFY(QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        }
        {
            WithoutFileOverride asUser;
            ResultStore store(dir.path(), options);
            QCOMPARE(saveOne(store, "new"), !refused);
            saveOne(store, "later");
            QCOMPARE(QFileInfo::exists(fallback), refused);
        }
        if (locker.isValid()) {
            locker.close();
            locker = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        }
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (trouble == QLatin1String("folder"))
            QVERIFY(QDir(path).removeRecursively());
        {
            ResultStore again(dir.path(), options);
            QVERIFY(saveOne(again, "next"));
        }
        unitsAfter << QStringLiteral("next");
        unitsAfter.sort();

        QCOMPARE(unitsIn(path), unitsAfter);
        QCOMPARE(unitsIn(path, QStringLiteral("line_queue")), unitsAfter);
        QVERIFY(!QFileInfo::exists(fallback));
        const QStringList aside = QDir(dir.path()).entryList({"results.sqlite.bad-*"}, QDir::Files);
        QCOMPARE(aside.filter(QRegularExpression(QStringLiteral("bad-[0-9-]+$"))).size(), movedAside ? 1 : 0);
        if (movedAside && hasOld)
            QCOMPARE(unitsIn(QDir(dir.path()).filePath(aside.first())), QStringList{"old"});
        // One line for each start that opened the store on that file system
        // (the second finds it with the rollback journal), none elsewhere.
        QCOMPARE(RecordedLog::count(QStringLiteral("no WAL journal")), options.sqliteVfs.isEmpty() ? 0 : 2);
        qint64 rows = 0;
        QString error;
        QVERIFY2(
            resultExport::exportCsv(path, dir.filePath(QStringLiteral("units.csv")), ResultFilter(), &rows, &error),
            qPrintable(error));
        QCOMPARE(rows, qint64(unitsAfter.size()));
    }

    // Which of SQLite's codes mean a broken file, and which may mean a file
    // system without shared memory; extended codes count as their primary.
    void sqliteCodes_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("broken");
        QTest::addColumn<bool>("mayLackSharedMemory");
        QTest::newRow("corrupt, extended") << "267" << true << false;
        QTest::newRow("not a database") << "26" << true << false;
        QTest::newRow("I/O error mapping shared memory") << "5386" << false << true;
        QTest::newRow("cannot open") << "14" << false << true;
        QTest::newRow("locked") << "5" << false << false;
        QTest::newRow("disk full") << "13" << false << false;
        QTest::newRow("read-only") << "8" << false << false;
        QTest::newRow("none (the driver's own transaction error)") << "" << false << false;
    }

    void sqliteCodes()
    {
        QFETCH(QString, code);
        QFETCH(bool, broken);
        QFETCH(bool, mayLackSharedMemory);
        const QSqlError error(QStringLiteral("driver"), QStringLiteral("database"), QSqlError::StatementError, code);
        QCOMPARE(storeTrouble::isBroken(error), broken);
        QCOMPARE(storeTrouble::mayLackSharedMemory(error), mayLackSharedMemory);
    }

    // Once WAL failed on the file, every later open of the run goes straight
    // to the rollback journal, also after opens that needed no fallback, and
    // the reason is logged once.
    void walFailureRemembered()
    {
        resultStoreFile::JournalChoice choice;
        resultStoreFile::Opened fellBack;
        fellBack.journalNote = QStringLiteral("disk I/O error");
        QCOMPARE(choice.journal(), resultStoreFile::Access::Wal);
        QVERIFY(choice.opened(fellBack));
        for (int open = 2; open <= 4; ++open) {
            QCOMPARE(choice.journal(), resultStoreFile::Access::Rollback);
            QVERIFY(!choice.opened(open == 3 ? fellBack : resultStoreFile::Opened()));
        }
    }

    // Past a handful of aside stores the oldest go, but only those that can
    // be read and hold no unit.
    void asideStoresPruned()
    {
        QTemporaryDir dir;
        const QString path = resultStoreFile::pathIn(dir.path());
        auto aside = [&](int n) { return QStringLiteral("%1.bad-2026010%2-000000").arg(path).arg(n); };
        auto makeStore = [&](int n, bool withUnit) {
            {
                QSqlDatabase db = resultStoreFile::open(QStringLiteral("make"), aside(n), false, 100, nullptr);
                QVERIFY(resultSchema::migrate(db, resultSchema::CurrentVersion, nullptr));
                QVERIFY(!withUnit || resultSchema::insertUnit(db, sampleUnit("kept"), false, nullptr));
            }
            resultStoreFile::release(QStringLiteral("make"));
        };
        auto makeFile = [&](const QString &name, const QByteArray &content) {
            QFile file(name);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        };
        makeStore(1, false);
        makeFile(aside(1) + QStringLiteral("-wal"), QByteArray());
        makeStore(2, true);
        makeFile(aside(3), QByteArray(8192, 'x'));
        for (int n = 4; n <= 9; ++n)
            makeFile(aside(n), QByteArray());
        QCOMPARE(storeAside::prune(path, QString()), 2);
        QStringList left;
        for (const QString &name : QDir(dir.path()).entryList(QDir::Files))
            left << name.mid(QStringLiteral("results.sqlite.bad-2026010").size());
        QCOMPARE(left,
                 (QStringList{"2-000000", "3-000000", "5-000000", "6-000000", "7-000000", "8-000000", "9-000000"}));
    }

    // A store held by another program (a database browser with unsaved
    // edits): the unit is on disk in the fallback file as soon as flush()
    // returns, and in the store, once, when it is let go.
    void lockedStoreSpillsAtOnce()
    {
        QTemporaryDir dir;
        const QString path = resultStoreFile::pathIn(dir.path());
        const QString fallback = unitFallbackFile::pathBeside(path);
        ResultStore::Options options = quick();
        options.retryMs = 200;
        ResultStore store(dir.path(), options);
        QVERIFY(saveOne(store, "before"));
        QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        locker.setDatabaseName(path);
        QVERIFY(locker.open());
        QVERIFY(QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QSignalSpy saved(&store, &ResultStore::saved);
        store.save(sampleUnit("while locked"));
        QVERIFY(store.flush(10000));
        QFile file(fallback);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("unit_id=while locked\t"));
        QVERIFY(QSqlQuery(locker).exec(QStringLiteral("ROLLBACK")));
        locker.close();
        locker = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(fallback), 10000);
        QCOMPARE(unitsIn(path), (QStringList{"before", "while locked"}));
    }

    // A fallback file longer than one step of the import, with a line that
    // is no unit: every unit in the store once, the line kept aside with its
    // reason, the file gone; a unit saved meanwhile is written too.
    void fallbackFileImportedInSteps()
    {
        QTemporaryDir dir;
        const QString path = resultStoreFile::pathIn(dir.path());
        QFile file(unitFallbackFile::pathBeside(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QStringList ids;
        for (int i = 0; i < 25; ++i) {
            ids << QStringLiteral("u%1").arg(i, 2, 10, QLatin1Char('0'));
            file.write(QByteArray::fromStdString(unitLine::write(sampleUnit(ids.last().toStdString()))) + "\r\n");
            if (i == 12)
                file.write("not a unit\r\n");
        }
        file.close();
        ResultStore::Options options = quick();
        options.importLinesPerStep = 10;
        {
            ResultStore store(dir.path(), options);
            QVERIFY(saveOne(store, "meanwhile"));
            QTRY_VERIFY_WITH_TIMEOUT(!file.exists(), 10000);
        }
        ids.prepend(QStringLiteral("meanwhile"));
        QCOMPARE(unitsIn(path), ids);
        const QStringList damaged = QDir(dir.path()).entryList({"results-unwritten.damaged-*.txt"});
        QCOMPARE(damaged.size(), 1);
        QFile kept(dir.filePath(damaged.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("# results-unwritten.txt line 14: not a unit: not name=value fields "
                                            "separated by tabs\nnot a unit\n"));
    }

    void unwritableFolderKeepsUnitsAndRetries()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        ResultStore store(blocker + QStringLiteral("/data"), quick());
        QSignalSpy kept(&store, &ResultStore::deferred);
        QSignalSpy saved(&store, &ResultStore::saved);
        store.save(sampleUnit("waiting"));
        QVERIFY(kept.wait(10000));
        QCOMPARE(saved.count(), 0);
        // With neither the store nor the fallback file, the debug log has it
        // at once, not only at a close that a crash never reaches; once.
        QTRY_COMPARE(RecordedLog::count(QStringLiteral("results store: unit waiting as recorded: unit_id=waiting\t")),
                     1);
        QTest::qWait(300);
        QCOMPARE(RecordedLog::count(QStringLiteral("results store: unit waiting as recorded: ")), 1);
        QVERIFY(QFile::remove(blocker));
        QVERIFY(saved.wait(10000));
        QCOMPARE(unitsIn(store.filePath()), QStringList{"waiting"});
    }

    // A store of an older tool gains the later columns; its rows keep what
    // they had, and a serial's older unit counts among its attempts.
    void olderSchemaIsMigrated_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("oldRow");
        QTest::addColumn<int>("setAside");
        QTest::addColumn<QString>("newRow");
        const QString now = QStringLiteral("from now:failed:SN-0042:A chattered (12 ms); key check: 1 key failed; D "
                                           "never pressed:/dev/input/event5 /dev/input/event6:ann:");
        QTest::newRow("the first tool's") << 1 << "from old:passed:-:-:-:-:-" << 0 << now + "1";
        QTest::newRow("one that sets refused units aside")
            << 5 << "from old:passed:SN-0042:-:/dev/input/event2:-:-" << 1 << now + "2";
        QTest::newRow("one that numbers attempts")
            << 6 << "from old:passed:SN-0042:-:/dev/input/event2:-:1" << 1 << now + "2";
    }

    void olderSchemaIsMigrated()
    {
        QFETCH(int, version);
        QFETCH(QString, oldRow);
        QFETCH(int, setAside);
        QFETCH(QString, newRow);
        QTemporaryDir dir;
        const QString path = resultStoreFile::pathIn(dir.path());
        {
            QSqlDatabase db = resultStoreFile::open(QStringLiteral("old"), path, false, 100, nullptr);
            QVERIFY(resultSchema::migrate(db, version, nullptr));
            QSqlQuery insert(db);
            QVERIFY(insert.exec(version == 1
                                    ? QStringLiteral("INSERT INTO units (unit_id, start_utc_ms, end_utc_ms, outcome)"
                                                     " VALUES ('from old', 1, 2, 'passed')")
                                    : QStringLiteral("INSERT INTO units (unit_id, start_utc_ms, end_utc_ms, outcome,"
                                                     " serial, capture) VALUES ('from old', 1, 2, 'passed', 'SN-0042',"
                                                     " '/dev/input/event2')")));
            if (version >= 5)
                QVERIFY(insert.exec(QStringLiteral("INSERT INTO line_aside VALUES ('from old', 3, 'refused')")));
            QCOMPARE(resultSchema::storedVersion(db), version);
        }
        resultStoreFile::release(QStringLiteral("old"));
        {
            ResultStore store(dir.path(), quick());
            QVERIFY(saveOne(store, "from now"));
        }
        QCOMPARE(unitsIn(path), (QStringList{"from now", "from old"}));
        QCOMPARE(firstColumn(QStringLiteral("QSQLITE"), path,
                             QStringLiteral("SELECT unit_id || ':' || outcome || ':' || ifnull(serial, '-') || ':' ||"
                                            " ifnull(reasons, '-') || ':' || ifnull(capture, '-') || ':' ||"
                                            " ifnull(operator, '-') || ':' || ifnull(attempt, '-') FROM units"
                                            " ORDER BY start_utc_ms")),
                 (QStringList{oldRow, newRow}));
        QCOMPARE(firstColumn(QStringLiteral("QSQLITE"), path, QStringLiteral("SELECT count(*) FROM line_aside")),
                 QStringList{QString::number(setAside)});
        // The figures' index of units that did not pass holds the new one.
        QCOMPARE(firstColumn(QStringLiteral("QSQLITE"), path,
                             QStringLiteral("SELECT unit_id FROM units INDEXED BY units_failing"
                                            " WHERE outcome IN ('failed', 'incomplete')")),
                 QStringList{"from now"});
        QCOMPARE(firstColumn(QStringLiteral("QSQLITE"), path, QStringLiteral("SELECT version FROM schema_version")),
                 QStringList{QString::number(resultSchema::CurrentVersion)});
    }

    // The store numbers a serial's attempts by start, whatever order units
    // arrive in; units without a serial have none.
    void attempts_data()
    {
        QTest::addColumn<QStringList>("arrivals");  // unit ids a1 < a2 < a3 by start; "n" has no serial
        QTest::addColumn<QStringList>("olderRows"); // rows of an older tool: stored without an attempt
        QTest::addColumn<QString>("attempts");
        QTest::newRow("in order") << QStringList{"a1", "a2", "a3"} << QStringList{} << "a1:1 a2:2 a3:3";
        QTest::newRow("an earlier unit late") << QStringList{"a2", "a3", "a1"} << QStringList{} << "a1:1 a2:2 a3:3";
        QTest::newRow("no serial") << QStringList{"a1", "n", "a2"} << QStringList{} << "a1:1 n:- a2:2";
        QTest::newRow("after older rows")
            << QStringList{"a1", "a2", "a3"} << QStringList{"a1", "a2"} << "a1:- a2:- a3:3";
    }

    void attempts()
    {
        QFETCH(QStringList, arrivals);
        QFETCH(QStringList, olderRows);
        QTemporaryDir dir;
        const QString path = resultStoreFile::pathIn(dir.path());
        {
            QSqlDatabase db = resultStoreFile::open(QStringLiteral("attempts"), path, false, 100, nullptr);
            QVERIFY(resultSchema::migrate(db, resultSchema::CurrentVersion, nullptr));
            for (const QString &id : arrivals) {
                UnitRecord unit =
                    sampleUnit(id.toStdString(), 1779235200000 + (id == "n" ? 1500 : id.mid(1).toInt() * 1000));
                unit.identity.serial = id == "n" ? "" : "S";
                QVERIFY(resultSchema::insertUnit(db, unit, false, nullptr));
                if (olderRows.contains(id))
                    QSqlQuery(db).exec(QStringLiteral("UPDATE units SET attempt = NULL WHERE unit_id = '%1'").arg(id));
            }
        }
        resultStoreFile::release(QStringLiteral("attempts"));
        QTEST(firstColumn(QStringLiteral("QSQLITE"), path,
                          QStringLiteral("SELECT group_concat(unit_id || ':' || ifnull(attempt, '-'), ' ') FROM"
                                         " (SELECT * FROM units ORDER BY start_utc_ms)"))
                  .join(QString()),
              "attempts");
    }

    // The tool dies at any moment: the next start has the unit, once, as it
    // ended, or, under test, as incomplete, ended by the crash.
    void unitSurvivesACrash_data()
    {
        QTest::addColumn<QString>("moment");
        QTest::addColumn<QString>("recorded");
        QTest::newRow("right after the unit was written") << "written"
                                                          << "removal failed";
        QTest::newRow("while the unit is under test") << "testing"
                                                      << "crash incomplete";
        QTest::newRow("right after the unit ended, the store locked") << "locked"
                                                                      << "removal failed";
    }

    void unitSurvivesACrash()
    {
        QFETCH(QString, moment);
        QFETCH(QString, recorded);
        QTemporaryDir dir;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TST_CRASH_DIR"), dir.path());
        env.insert(QStringLiteral("TST_CRASH_MOMENT"), moment);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QString path = resultStoreFile::pathIn(dir.path());
        {
            ResultStore again(dir.path(), quick());
            QVERIFY(again.flush(10000));
        }
        QCOMPARE(firstColumn(QStringLiteral("QSQLITE"), path,
                             QStringLiteral("SELECT ended || ' ' || outcome FROM units WHERE unit_id = 'unit'")),
                 QStringList{recorded});
        QVERIFY(!QFileInfo::exists(unitProgressFile::pathBeside(path)));
    }

private:
    std::unique_ptr<RecordedLog> m_log;
};

// The child of unitSurvivesACrash: a store, then abort() at the moment named.
int crashAt(const QString &dir, const QString &moment)
{
    ResultStore::Options options = quick();
    options.progressMs = 20;
    options.busyTimeoutMs = 60000;               // the locked store keeps the writer waiting
    auto *store = new ResultStore(dir, options); // never destroyed: no clean close
    const QString path = resultStoreFile::pathIn(dir);
    auto progressHolds = [&](const QByteArray &text) {
        QFile file(unitProgressFile::pathBeside(path));
        return QTest::qWaitFor([&] { return file.open(QIODevice::ReadOnly) && file.readAll().contains(text); }, 10000);
    };
    if (moment == QLatin1String("written")) {
        if (saveOne(*store, "unit"))
            std::abort();
    } else if (moment == QLatin1String("testing")) {
        store->followProgress([](std::int64_t) { return std::optional<UnitRecord>(sampleUnit("unit")); });
        if (progressHolds("ended=crash"))
            std::abort();
    } else if (moment == QLatin1String("locked")) {
        if (!saveOne(*store, "before")) // the store made, then held by another program
            return 1;
        QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
        locker.setDatabaseName(path);
        if (!locker.open() || !QSqlQuery(locker).exec(QStringLiteral("BEGIN EXCLUSIVE")))
            return 1;
        store->save(sampleUnit("unit"));
        if (progressHolds("unit_id=unit\t"))
            std::abort();
    }
    return 1;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    const QString crashDir = qEnvironmentVariable("TST_CRASH_DIR");
    if (!crashDir.isEmpty())
        return crashAt(crashDir, qEnvironmentVariable("TST_CRASH_MOMENT"));
    tst_resultStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_resultStore.moc"
