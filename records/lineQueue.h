#pragma once

#include <QString>
#include <QtGlobal>

class QSqlDatabase;
class QSqlError;

// The station store's side of the line store: the units queued to be sent,
// and those the server refused for themselves, set aside with its words
// until someone mends the server and queues them again
// (TavrinKeyboardTest --forward-again).
namespace lineQueue {

struct Counts
{
    qint64 queued = 0;
    qint64 setAside = 0;
};

// A store of an older tool, without one of the tables, counts none there.
bool count(QSqlDatabase &db, Counts &counts, QSqlError *error);

// Takes the unit off the queue and keeps it aside with the reason, in one
// transaction.
bool setAside(QSqlDatabase &db, const QString &unitId, const QString &reason, qint64 utcMs, QSqlError *error);

// Queues every unit set aside again, in one transaction; the number, or -1.
qint64 queueAgain(QSqlDatabase &db, QSqlError *error);

} // namespace lineQueue
