#include "resultSchema.h"
#include "resultStore.h"
#include "resultStoreFile.h"
#include "sampleUnit.h"
#include "withoutFileOverride.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
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
    return options;
}

// Saves one unit and waits until the store says it is written or kept.
bool saveOne(ResultStore &store, const std::string &unitId)
{
    QSignalSpy saved(&store, &ResultStore::saved);
    store.save(sampleUnit(unitId));
    return saved.wait(10000);
}

QStringList unitsIn(const QString &storePath)
{
    return firstColumn(QStringLiteral("QSQLITE"), storePath, QStringLiteral("SELECT unit_id FROM units"));
}

} // namespace

class tst_resultStore : public QObject
{
    Q_OBJECT

private slots:
    // Whatever is wrong with the file, the unit lands in a new store and the
    // old one is kept aside, with what it held.
    void troubledStore_data()
    {
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<bool>("asideKeepsOld");
        QTest::newRow("corrupt") << "corrupt" << false;
        QTest::newRow("locked by another writer") << "locked" << true;
        QTest::newRow("read-only") << "read-only" << true;
        QTest::newRow("a folder in its place") << "folder" << false;
        QTest::newRow("from a newer tool") << "newer" << true;
    }

    void troubledStore()
    {
        QFETCH(QString, trouble);
        QFETCH(bool, asideKeepsOld);
        QTemporaryDir dir;
        const QString path = resultStoreFile::pathIn(dir.path());
        if (asideKeepsOld) {
            ResultStore first(dir.path(), quick());
            QVERIFY(saveOne(first, "old"));
        }
        if (trouble == QLatin1String("corrupt")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'x'));
        } else if (trouble == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (trouble == QLatin1String("read-only")) {
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        } else if (trouble == QLatin1String("newer")) {
            firstColumn(QStringLiteral("QSQLITE"), path, QStringLiteral("UPDATE schema_version SET version = 99"));
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
            ResultStore store(dir.path(), quick());
            QVERIFY(saveOne(store, "new"));
        }
        if (locker.isValid()) {
            locker.close();
            locker = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("locker"));
        }

        QCOMPARE(unitsIn(path), QStringList{"new"});
        const QStringList aside = QDir(dir.path()).entryList({"results.sqlite.bad-*"}, QDir::AllEntries);
        QVERIFY2(aside.size() >= 1, qPrintable(aside.join(' ')));
        if (asideKeepsOld)
            QCOMPARE(unitsIn(QDir(dir.path()).filePath(aside.first())), QStringList{"old"});
    }

    void unwritableFolderKeepsUnitsAndRetries()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        ResultStore store(blocker + QStringLiteral("/data"), quick());
        QSignalSpy kept(&store, &ResultStore::keptInMemory);
        QSignalSpy saved(&store, &ResultStore::saved);
        store.save(sampleUnit("waiting"));
        QVERIFY(kept.wait(10000));
        QCOMPARE(saved.count(), 0);
        QVERIFY(QFile::remove(blocker));
        QVERIFY(saved.wait(10000));
        QCOMPARE(unitsIn(store.filePath()), QStringList{"waiting"});
    }

    // A store of the first tool gains the later columns; its rows keep what they had.
    void olderSchemaIsMigrated()
    {
        QTemporaryDir dir;
        const QString path = resultStoreFile::pathIn(dir.path());
        {
            QSqlDatabase db = resultStoreFile::open(QStringLiteral("v1"), path, false, 100, nullptr);
            QVERIFY(resultSchema::migrate(db, 1, nullptr));
            QSqlQuery insert(db);
            QVERIFY(insert.exec(QStringLiteral("INSERT INTO units (unit_id, start_utc_ms, end_utc_ms, outcome)"
                                               " VALUES ('from v1', 1, 2, 'passed')")));
            QCOMPARE(resultSchema::storedVersion(db), 1);
        }
        resultStoreFile::release(QStringLiteral("v1"));
        {
            ResultStore store(dir.path(), quick());
            QVERIFY(saveOne(store, "from now"));
        }
        QCOMPARE(unitsIn(path), (QStringList{"from now", "from v1"}));
        QCOMPARE(
            firstColumn(QStringLiteral("QSQLITE"), path,
                        QStringLiteral("SELECT unit_id || ':' || outcome || ':' || ifnull(serial, '-') || ':' ||"
                                       " ifnull(reasons, '-') FROM units ORDER BY start_utc_ms")),
            (QStringList{"from v1:passed:-:-",
                         "from now:failed:SN-0042:A chattered (12 ms); key check: 1 key failed; D never pressed"}));
        QCOMPARE(firstColumn(QStringLiteral("QSQLITE"), path, QStringLiteral("SELECT version FROM schema_version")),
                 QStringList{QString::number(resultSchema::CurrentVersion)});
    }

    // The tool dies right after the unit was written: the unit is there.
    void unitSurvivesACrash()
    {
        QTemporaryDir dir;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TST_CRASH_AFTER_SAVE"), dir.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(unitsIn(resultStoreFile::pathIn(dir.path())), QStringList{"crashed"});
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString crashDir = qEnvironmentVariable("TST_CRASH_AFTER_SAVE");
    if (!crashDir.isEmpty()) {
        auto *store = new ResultStore(crashDir); // never destroyed: no clean close
        if (saveOne(*store, "crashed"))
            std::abort();
        return 1;
    }
    tst_resultStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_resultStore.moc"
