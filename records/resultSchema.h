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
// and the verdict's reasons. 4: what took the unit's keys. 5: units the line
// store refused, set aside. 6: the operator, the attempt (counted by the
// store), the criteria, the reasons' kinds and a failed calibration's keys,
// with the indexes the figures need. 7: the units that did not pass, indexed
// with their reasons and keys for the figures.
constexpr int CurrentVersion = 7;

// Every unit column, in the order bindUnit binds and unitFromRow reads them.
extern const char *const UnitColumns;
constexpr int UnitColumnCount = 32;

// Brings the store to targetVersion one step at a time, each step in its own
// transaction with the version it leaves. False with the reason when the store
// cannot be read as ours, was written by a newer tool, or cannot be written;
// SQLite's own failures keep its code, so the writer can tell a broken file
// from a lock.
bool migrate(QSqlDatabase &db, int targetVersion, QSqlError *error);
// 0 for an empty store, -1 with the reason when it cannot be read.
int storedVersion(QSqlDatabase &db, QSqlError *error = nullptr);

// The units table as a reader sees it: in a store of an older version the
// later columns read as NULL, as the old rows of a current store hold them, so
// the export and the figures need no writer to bring the store up to date.
QString readableUnits(QSqlDatabase &db);

// Positional placeholders "?, ?, ..." for UnitColumns.
QString placeholders();
// Texts go in as cleanText() leaves them: no store ever holds a NUL, however
// the unit came (a fallback line edited by hand may carry one).
void bindUnit(QSqlQuery &query, const UnitRecord &record);
// Reads UnitColumns from the query's current row, starting at column first.
UnitRecord unitFromRow(const QSqlQuery &query, int first = 0);

// Writes the unit and, when asked, its place in the line store's queue, in one
// transaction. Writing a unit id again changes nothing, so a retry is safe.
bool insertUnit(QSqlDatabase &db, const UnitRecord &record, bool queueForLine, QSqlError *error);
// The same for many units in one transaction: all or none.
bool insertUnits(QSqlDatabase &db, const std::vector<UnitRecord> &records, bool queueForLine, QSqlError *error);

} // namespace resultSchema
