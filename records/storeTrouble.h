#pragma once

class QSqlError;

// What a failure of the station store means for the units waiting to be
// written. Only a file that SQLite itself calls broken is ever moved aside: a
// lock, a full disk, an I/O error or a file that cannot be opened just now
// pass, and a store moved aside for them would leave the station's records
// scattered over files nobody looks at.
namespace storeTrouble {

// SQLite's primary result code of the error (extended codes are reduced to
// theirs), 0 when the error carries none (the driver's own transaction
// errors, for one).
int primaryCode(const QSqlError &error);

// SQLite says the file is not a database or is corrupt.
bool isBroken(const QSqlError &error);

// The WAL journal failed in a way that a file system without shared memory
// (a 9p, CIFS or NFS home) gives: an I/O error, or a file that cannot be
// opened once the WAL index is needed. The rollback journal is tried then.
bool mayLackSharedMemory(const QSqlError &error);

} // namespace storeTrouble
