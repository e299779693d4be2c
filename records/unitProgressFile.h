#pragma once

#include "unitRecord.h"

#include <QString>

// The unit under test, kept on disk while it is tested, so that a crash, a
// kill or a power cut does not lose it: results-progress.txt beside the store,
// one unit line (unitLine.h), replaced whole each time, never torn. It holds
// the unit as the store is to record it should the tool stop now: while it is
// tested, incomplete and ended by a crash; once it ended, as it ended, until
// the store or the fallback file has it. The next start records what it finds
// there.
namespace unitProgressFile {

QString pathBeside(const QString &storePath);

// The unit's progress as the record of a unit the tool's end cut short.
UnitRecord asCut(UnitRecord progress, std::int64_t utcMs);

bool write(const QString &path, const UnitRecord &unit, QString *error);

enum class Found
{
    Nothing,
    Unit,
    Damaged // not a unit's line (edited by hand); why says what
};
Found read(const QString &path, UnitRecord &unit, QString *why);

} // namespace unitProgressFile
