#pragma once

#include "unitRecord.h"

#include <QString>

#include <vector>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

// The station store's tables and the one row a unit becomes, shared by the
// writer, the export and the line store (which keeps the same columns).
namespace resultSchema {

// 1: units. 2: the line store's queue. 3: the unit's serial, most keys held
// and the verdict's reasons.
constexpr int CurrentVersion = 4;

// Every unit column, in the order bindUnit binds and unitFromRow reads them.
extern const char *const UnitColumns;
constexpr int UnitColumnCount = 27;

// Brings the store to targetVersion one step at a time, each step in its own
// transaction with the version it leaves. False with the reason when the store
// cannot be read as ours, was written by a newer tool, or cannot be written;
// SQLite's own failures keep its code, so the writer can tell a broken file
// from a lock.
bool migrate(QSqlDatabase &db, int targetVersion, QSqlError *error);
// 0 for an empty store, -1 with the reason when it cannot be read.
int storedVersion(QSqlDatabase &db, QSqlError *error = nullptr);

// Positional placeholders "?, ?, ..." for UnitColumns.
QString placeholders();
void bindUnit(QSqlQuery &query, const UnitRecord &record);
// Reads UnitColumns from the query's current row, starting at column first.
UnitRecord unitFromRow(const QSqlQuery &query, int first = 0);

// Writes the unit and, when asked, its place in the line store's queue, in one
// transaction. Writing a unit id again changes nothing, so a retry is safe.
bool insertUnit(QSqlDatabase &db, const UnitRecord &record, bool queueForLine, QSqlError *error);
// The same for many units in one transaction: all or none.
bool insertUnits(QSqlDatabase &db, const std::vector<UnitRecord> &records, bool queueForLine, QSqlError *error);

} // namespace resultSchema
