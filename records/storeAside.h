#pragma once

#include <QString>

// A station store that SQLite calls broken, or that a newer tool wrote, is
// renamed aside as results.sqlite.bad-<UTC time> (with its journal files)
// rather than deleted: it is evidence, and a person may still get units out
// of it.
namespace storeAside {

// Aside files kept when more pile up; older ones go only when they hold no
// unit.
constexpr int KeptFiles = 5;

// Renames the store and its journal files aside; the new name, or an empty
// text with the reason when it could not be moved.
QString moveAside(const QString &storePath, QString *error);

// Units the old store still had queued for the line store, appended to the
// fallback file (unitFallbackFile.h), so they are imported into the new store
// and sent on from there. The number of units saved, -1 with the reason when
// none could be read.
qint64 rescueQueued(const QString &asidePath, const QString &vfs, const QString &fallbackPath, QString *error);

// Removes the oldest aside files past KeptFiles that can be read and hold no
// unit; one that cannot be read may hold some and stays. The number removed.
int prune(const QString &storePath, const QString &vfs);

} // namespace storeAside
