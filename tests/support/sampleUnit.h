#pragma once

#include "unitRecord.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

// A finished unit with every field set, for the store, export and line tests.
inline UnitRecord sampleUnit(const std::string &unitId, std::int64_t startUtcMs = 1779235200000, // 2026-05-20
                             std::uint16_t pid = 0xb23c)
{
    UnitRecord r;
    r.unitId = unitId;
    r.startUtcMs = startUtcMs;
    r.endUtcMs = startUtcMs + 61234;
    r.identity = {"bench-3", "1.1.8", 0x0416, pid, "Tavrin", "TK-87", "NUC121", "V2.3", "/dev/hidraw4", "SN-0042"};
    r.keysPressed = {65, 66, 67};
    r.keysNeverPressed = {68};
    r.chatter = {{65, 12}};
    r.chatterCount = 1;
    r.keyCheckRun = true;
    r.keyCheckBadKeys = {4};
    r.calibrationKeys = {5, 6};
    r.calibrationFailedKeys = {7};
    r.verdict = Verdict::Failed;
    r.ended = UnitEnd::Removal;
    r.outcome = UnitOutcome::Failed;
    r.reasons = "A chattered (12 ms); key check: 1 key failed; D never pressed";
    r.maxKeysHeld = 3;
    r.capture = "/dev/input/event5 /dev/input/event6";
    r.identity.operatorName = std::string("ann");
    r.reasonKinds = "chatter keyCheck neverPressed";
    r.criteria = "keys=all;chatter=fail;chatterMs=30";
    return r;
}

// Rows of a query's first column, over a connection made for the call.
inline QStringList firstColumn(const QString &driver, const QString &database, const QString &statement)
{
    QStringList values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, QStringLiteral("tst_peek"));
        db.setDatabaseName(database);
        if (db.open()) {
            QSqlQuery query(statement, db);
            while (query.next())
                values << query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("tst_peek"));
    return values;
}
