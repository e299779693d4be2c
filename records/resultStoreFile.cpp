#include "resultStoreFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace resultStoreFile {

QString pathIn(const QString &dataDir)
{
    return QDir(dataDir).filePath(QStringLiteral("results.sqlite"));
}

QSqlDatabase open(const QString &name, const QString &filePath, bool readOnly, int busyTimeoutMs, QString *error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(filePath);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
    if (readOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (readOnly && !QFileInfo(filePath).isFile()) {
        if (error)
            *error = QStringLiteral("no results store at %1").arg(filePath);
        return db;
    }
    if (!db.open()) {
        if (error)
            *error = db.lastError().text();
        return db;
    }
    if (readOnly)
        return db;
    // SQLite opens a file it may not write read-only without a word; only a
    // write tells, so the journal mode switch (a write) is checked.
    QSqlQuery query(db);
    const bool ok = query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && query.next() &&
                    query.value(0).toString().compare(QStringLiteral("wal"), Qt::CaseInsensitive) == 0 &&
                    query.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    if (!ok) {
        if (error)
            *error = query.lastError().isValid() ? query.lastError().text() : QStringLiteral("no WAL journal");
        db.close();
    }
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
