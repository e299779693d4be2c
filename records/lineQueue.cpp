#include "lineQueue.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace lineQueue {

namespace {

bool fail(const QSqlError &sqlError, QSqlError *error)
{
    if (error)
        *error = sqlError;
    return false;
}

bool hasTable(QSqlDatabase &db, const QString &table, bool &has, QSqlError *error)
{
    QSqlQuery query(db);
    if (!query.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?")))
        return fail(query.lastError(), error);
    query.addBindValue(table);
    if (!query.exec() || !query.next())
        return fail(query.lastError(), error);
    has = query.value(0).toInt() > 0;
    return true;
}

bool countRows(QSqlDatabase &db, const QString &table, qint64 &rows, QSqlError *error)
{
    bool has = false;
    if (!hasTable(db, table, has, error))
        return false;
    rows = 0;
    if (!has)
        return true;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM ") + table) || !query.next())
        return fail(query.lastError(), error);
    rows = query.value(0).toLongLong();
    return true;
}

// Runs statements in one transaction, each with its values.
bool inTransaction(QSqlDatabase &db, const QList<QPair<QString, QVariantList>> &statements, QSqlError *error,
                   int *firstAffected = nullptr)
{
    if (!db.transaction())
        return fail(db.lastError(), error);
    QSqlQuery query(db);
    for (int i = 0; i < statements.size(); ++i) {
        bool ok = query.prepare(statements[i].first);
        for (const QVariant &value : statements[i].second)
            query.addBindValue(value);
        if (!ok || !query.exec()) {
            const QSqlError sqlError = query.lastError();
            query = QSqlQuery();
            db.rollback();
            return fail(sqlError, error);
        }
        if (i == 0 && firstAffected)
            *firstAffected = query.numRowsAffected();
    }
    query = QSqlQuery();
    if (!db.commit()) {
        const QSqlError sqlError = db.lastError();
        db.rollback();
        return fail(sqlError, error);
    }
    return true;
}

} // namespace

bool count(QSqlDatabase &db, Counts &counts, QSqlError *error)
{
    return countRows(db, QStringLiteral("line_queue"), counts.queued, error) &&
           countRows(db, QStringLiteral("line_aside"), counts.setAside, error);
}

bool setAside(QSqlDatabase &db, const QString &unitId, const QString &reason, qint64 utcMs, QSqlError *error)
{
    return inTransaction(
        db,
        {{QStringLiteral("INSERT OR REPLACE INTO line_aside (unit_id, aside_utc_ms, reason) VALUES (?, ?, ?)"),
          {unitId, utcMs, reason}},
         {QStringLiteral("DELETE FROM line_queue WHERE unit_id = ?"), {unitId}}},
        error);
}

qint64 queueAgain(QSqlDatabase &db, QSqlError *error)
{
    bool has = false;
    if (!hasTable(db, QStringLiteral("line_aside"), has, error))
        return -1;
    if (!has)
        return 0;
    int again = 0;
    // Queued as of when they were set aside: they go before the units made
    // since, as they would have.
    if (!inTransaction(db,
                       {{QStringLiteral("INSERT OR IGNORE INTO line_queue (unit_id, queued_utc_ms) "
                                        "SELECT unit_id, aside_utc_ms FROM line_aside"),
                         {}},
                        {QStringLiteral("DELETE FROM line_aside"), {}}},
                       error, &again))
        return -1;
    return again;
}

} // namespace lineQueue
