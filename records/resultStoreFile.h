#pragma once

#include <QString>

class QSqlDatabase;

// Opening results.sqlite the same way everywhere: the writer, the line
// store's sender and the export.
namespace resultStoreFile {

// "results.sqlite" in dataDir.
QString pathIn(const QString &dataDir);

// Adds a connection named name for the file. Writers get WAL and full
// synchronous commits, so a unit written survives a crash of the tool and of
// the machine; readers open read-only and never create the file.
QSqlDatabase open(const QString &name, const QString &filePath, bool readOnly, int busyTimeoutMs, QString *error);
// Closes and forgets the connection; no QSqlDatabase of it may be left alive.
void release(const QString &name);

} // namespace resultStoreFile
