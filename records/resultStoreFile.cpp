#include "resultStoreFile.h"

#include "storeTrouble.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

namespace resultStoreFile {

namespace {

QSqlDatabase connect(const QString &name, const QString &filePath, const Access &access, int busyTimeoutMs,
                     Opened &opened)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
    if (access.readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    if (access.vfs.isEmpty()) {
        db.setDatabaseName(filePath);
    } else {
        db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(filePath).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                           QStringLiteral("?vfs=") + access.vfs);
        options += QStringLiteral(";QSQLITE_OPEN_URI");
    }
    db.setConnectOptions(options);
    if (!db.open())
        opened.error = db.lastError();
    return db;
}

bool run(QSqlQuery &query, const QString &statement, QSqlError &error)
{
    if (query.exec(statement))
        return true;
    error = query.lastError();
    return false;
}

// SQLite opens a file it may not write read-only without a word; only a
// write tells, so the journal mode switch (a write) is checked.
bool walJournal(QSqlDatabase &db, QSqlError &error, bool &refused)
{
    QSqlQuery query(db);
    if (!run(query, QStringLiteral("PRAGMA journal_mode=WAL"), error))
        return false;
    refused = !query.next() || query.value(0).toString().compare(QStringLiteral("wal"), Qt::CaseInsensitive) != 0;
    if (refused)
        return false;
    // The WAL index in shared memory is made at the first read: where the file
    // system cannot map it, this is the statement that fails.
    return run(query, QStringLiteral("PRAGMA synchronous=FULL"), error) &&
           run(query, QStringLiteral("SELECT count(*) FROM sqlite_master"), error);
}

// The rollback journal with every commit synced: as safe against a crash as
// WAL, only readers wait on the writer. Exclusive locking first, so a file
// left in WAL mode is read without shared memory and switched back.
bool rollbackJournal(QSqlDatabase &db, QSqlError &error)
{
    QSqlQuery query(db);
    return run(query, QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"), error) &&
           run(query, QStringLiteral("PRAGMA journal_mode=DELETE"), error) &&
           run(query, QStringLiteral("PRAGMA locking_mode=NORMAL"), error) &&
           run(query, QStringLiteral("PRAGMA synchronous=FULL"), error) &&
           // Takes the exclusive lock back off.
           run(query, QStringLiteral("SELECT count(*) FROM sqlite_master"), error);
}

} // namespace

bool JournalChoice::opened(const Opened &opened)
{
    if (opened.journalNote.isEmpty() || m_walFailed)
        return false;
    m_walFailed = true;
    return true;
}

QString pathIn(const QString &dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("results.sqlite"));
}

QSqlDatabase open(const QString &name, const QString &filePath, const Access &access, int busyTimeoutMs, Opened *opened)
{
    Opened local;
    Opened &result = opened ? *opened : local;
    result = Opened();
    if (access.readOnly && !QFileInfo(filePath).isFile()) {
        result.error = QSqlError(QString(), QStringLiteral("no results store at %1").arg(filePath));
        return QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    }
    QSqlDatabase db = connect(name, filePath, access, busyTimeoutMs, result);
    if (!db.isOpen() || access.readOnly)
        return db;

    QSqlError error;
    bool ok = false;
    switch (access.journal) {
    case Access::AsFound: {
        QSqlQuery query(db);
        ok = run(query, QStringLiteral("PRAGMA synchronous=FULL"), error);
        break;
    }
    case Access::Rollback:
        ok = rollbackJournal(db, error);
        break;
    case Access::Wal: {
        bool refused = false;
        ok = walJournal(db, error, refused);
        if (!ok && (refused || storeTrouble::mayLackSharedMemory(error))) {
            const QString why =
                refused ? QStringLiteral("SQLite keeps its rollback journal here") : error.text().simplified();
            // A connection that failed on the WAL index is not trusted again.
            db = QSqlDatabase();
            release(name);
            db = connect(name, filePath, access, busyTimeoutMs, result);
            if (!db.isOpen())
                return db;
            ok = rollbackJournal(db, error);
            if (ok)
                result.journalNote = why;
        }
        break;
    }
    }
    if (!ok) {
        result.error = error;
        db.close();
    }
    return db;
}

QSqlDatabase open(const QString &name, const QString &filePath, bool readOnly, int busyTimeoutMs, QString *error)
{
    Access access;
    access.readOnly = readOnly;
    Opened opened;
    QSqlDatabase db = open(name, filePath, access, busyTimeoutMs, &opened);
    if (!db.isOpen() && error)
        *error = opened.error.text().trimmed();
    return db;
}

void release(const QString &name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace resultStoreFile
