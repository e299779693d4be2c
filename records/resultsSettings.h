#pragma once

#include <QString>

// The [results] section of Config.ini, beside the store in the data folder:
//   url=postgresql://user@host:port/database   the line store (optional)
//   chatterMs=30                                 the chatter threshold
// The password never goes here: the PostgreSQL client takes it from
// PGPASSWORD or a pgpass file.
struct ResultsSettings
{
    QString lineUrl;
    int chatterThresholdMs = 30;
};

// Anything missing or unreadable keeps its default; a threshold outside
// 0..1000 ms is not one.
ResultsSettings readResultsSettings(const QString &dataDir);
