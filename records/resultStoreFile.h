#pragma once

#include <QSqlError>
#include <QString>

class QSqlDatabase;

// Opening results.sqlite the same way everywhere: the writer, the line
// store's sender and the export.
namespace resultStoreFile {

// "results.sqlite" in dataDir.
QString pathIn(const QString &dataDir);

struct Access
{
    // Readers open read-only and never create the file.
    bool readOnly = false;
    // The writer's journal choice. Wal: the WAL journal, or, where the file
    // system cannot give SQLite shared memory (a 9p, CIFS or NFS home), the
    // rollback journal instead. Rollback: straight to the rollback journal,
    // once WAL failed in this run. AsFound: the journal the file has, so the
    // line store's sender never switches it under the writer.
    enum Journal
    {
        Wal,
        Rollback,
        AsFound
    };
    Journal journal = Wal;
    // An SQLite VFS by name; empty for the system's. Tests name "unix-none",
    // which has no shared memory, as such a file system.
    QString vfs;
};

struct Opened
{
    QSqlError error;     // why the connection is not open
    QString journalNote; // set when the rollback journal is used instead of WAL: why
};

// One writer's memory of its file's journal: once WAL failed there, every
// later open of the same run goes straight to the rollback journal (trying
// WAL again would switch the file back and forth under its readers), and the
// reason is logged once.
class JournalChoice
{
public:
    Access::Journal journal() const { return m_walFailed ? Access::Rollback : Access::Wal; }
    // After an open with journal(): true the first time WAL failed, when
    // opened's note is to be logged.
    bool opened(const Opened &opened);

private:
    bool m_walFailed = false;
};

// Adds a connection named name for the file. Writers get full synchronous
// commits, so a unit written survives a crash of the tool and of the
// machine, with either journal.
QSqlDatabase open(const QString &name, const QString &filePath, const Access &access, int busyTimeoutMs,
                  Opened *opened);
// The same with the system's VFS and the WAL journal for a writer.
QSqlDatabase open(const QString &name, const QString &filePath, bool readOnly, int busyTimeoutMs, QString *error);
// Closes and forgets the connection; no QSqlDatabase of it may be left alive.
void release(const QString &name);

} // namespace resultStoreFile
