#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// What the records write outside the store must outlive a crash of the
// machine, not only of the tool: the data synced to the disk, and a file
// renamed into place with its folder synced too. One implementation per
// system, chosen by the build.
namespace fileSync {

// Flushes the file's buffer and syncs its data to the disk.
bool syncFile(QFile &file);

// Makes renames inside the folder survive a power cut.
bool syncFolder(const QString &folder);

// Replaces the file at path by data in one step: a reader, or the next start
// after a power cut, finds the old content or the new, never a mix. False
// with the reason when it stays as it was.
bool replaceFile(const QString &path, const QByteArray &data, QString *error);

} // namespace fileSync
