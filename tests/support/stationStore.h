#pragma once

#include "resultSchema.h"
#include "resultStoreFile.h"
#include "unitRecord.h"

#include <QDir>
#include <QSqlDatabase>
#include <QString>
#include <QtTest>

#include <vector>

// A station store in dataDir holding units, written as the store's writer
// writes them (the attempt counted by the store), optionally queued for the
// line store.
inline void writeStationStore(const QString &dataDir, const std::vector<UnitRecord> &units, bool queueForLine = false)
{
    QDir().mkpath(dataDir);
    {
        QSqlDatabase db =
            resultStoreFile::open(QStringLiteral("fill"), resultStoreFile::pathIn(dataDir), false, 100, nullptr);
        QVERIFY(resultSchema::migrate(db, resultSchema::CurrentVersion, nullptr));
        for (const UnitRecord &unit : units)
            QVERIFY(resultSchema::insertUnit(db, unit, queueForLine, nullptr));
    }
    resultStoreFile::release(QStringLiteral("fill"));
}
