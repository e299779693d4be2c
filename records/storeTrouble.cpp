#include "storeTrouble.h"

#include <QSqlError>

namespace storeTrouble {

namespace {

constexpr int IoErr = 10;
constexpr int Corrupt = 11;
constexpr int CantOpen = 14;
constexpr int NotADb = 26;

} // namespace

int primaryCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok && code > 0 ? code & 0xff : 0;
}

bool isBroken(const QSqlError &error)
{
    const int code = primaryCode(error);
    return code == Corrupt || code == NotADb;
}

bool mayLackSharedMemory(const QSqlError &error)
{
    const int code = primaryCode(error);
    return code == IoErr || code == CantOpen;
}

} // namespace storeTrouble
