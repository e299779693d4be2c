#include "storeAside.h"

#include "resultSchema.h"
#include "resultStoreFile.h"
#include "unitFallbackFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <vector>

namespace storeAside {

namespace {

const char *const JournalSuffixes[] = {"-wal", "-shm", "-journal"};

// Units read out of an old store, in batches, at most this many in all.
constexpr qint64 MaxRescued = 1000000;
constexpr std::size_t RescueBatch = 500;

QString connectionName(const char *what)
{
    static int serial = 0;
    return QStringLiteral("tkt_results_aside_%1_%2").arg(QLatin1String(what)).arg(++serial);
}

// Aside stores are only read, yet through a connection that may write: a
// read-only one leaves the WAL journal's files behind, and only a writer
// folds them back into the store when it closes.
resultStoreFile::Access asFound(const QString &vfs)
{
    resultStoreFile::Access access;
    access.journal = resultStoreFile::Access::AsFound;
    access.vfs = vfs;
    return access;
}

// -1 when the store cannot be read.
qint64 unitCount(const QString &path, const QString &vfs)
{
    if (QFileInfo(path).size() == 0)
        return 0;
    const QString name = connectionName("count");
    qint64 count = -1;
    {
        resultStoreFile::Opened opened;
        QSqlDatabase db = resultStoreFile::open(name, path, asFound(vfs), 1000, &opened);
        QSqlQuery query(db);
        if (db.isOpen() &&
            query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'units'")) &&
            query.next()) {
            if (query.value(0).toInt() == 0)
                count = 0;
            else if (query.exec(QStringLiteral("SELECT count(*) FROM units")) && query.next())
                count = query.value(0).toLongLong();
        }
    }
    resultStoreFile::release(name);
    return count;
}

} // namespace

QString moveAside(const QString &storePath, QString *error)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = QStringLiteral("%1.bad-%2").arg(storePath, stamp);
    for (int n = 2; QFileInfo::exists(aside) && n < 1000; ++n)
        aside = QStringLiteral("%1.bad-%2-%3").arg(storePath, stamp).arg(n);
    QFile file(storePath);
    if (!file.rename(aside)) {
        if (error)
            *error = file.errorString();
        return QString();
    }
    // The journal files go with it, named as SQLite looks for them, so the
    // units already committed there stay readable in the copy.
    for (const char *suffix : JournalSuffixes) {
        const QString from = storePath + QLatin1String(suffix);
        if (QFileInfo::exists(from))
            QFile::rename(from, aside + QLatin1String(suffix));
    }
    return aside;
}

qint64 rescueQueued(const QString &asidePath, const QString &vfs, const QString &fallbackPath, QString *error)
{
    const QString name = connectionName("rescue");
    qint64 rescued = 0;
    bool read = false;
    {
        resultStoreFile::Opened opened;
        QSqlDatabase db = resultStoreFile::open(name, asidePath, asFound(vfs), 1000, &opened);
        QSqlQuery query(db);
        query.setForwardOnly(true);
        read = db.isOpen() && query.exec(QStringLiteral("SELECT %1 FROM units WHERE unit_id IN "
                                                        "(SELECT unit_id FROM line_queue) LIMIT %2")
                                             .arg(QString::fromLatin1(resultSchema::UnitColumns))
                                             .arg(MaxRescued));
        if (!read && error)
            *error = db.isOpen() ? query.lastError().text() : opened.error.text();
        std::vector<UnitRecord> batch;
        // A corrupt file may fail part way: what was read by then is kept.
        auto flush = [&] {
            if (batch.empty())
                return true;
            if (!unitFallbackFile::append(fallbackPath, batch, error))
                return false;
            rescued += static_cast<qint64>(batch.size());
            batch.clear();
            return true;
        };
        bool written = true;
        while (read && written && query.next()) {
            batch.push_back(resultSchema::unitFromRow(query));
            if (batch.size() >= RescueBatch)
                written = flush();
        }
        if (written)
            written = flush();
        read = read && written;
    }
    resultStoreFile::release(name);
    return read || rescued > 0 ? rescued : -1;
}

int prune(const QString &storePath, const QString &vfs)
{
    const QFileInfo store(storePath);
    QDir dir = store.absoluteDir();
    QStringList aside;
    // Names hold the UTC time, so they sort oldest first.
    const QStringList names = dir.entryList({store.fileName() + QStringLiteral(".bad-*")}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        bool journal = false;
        for (const char *suffix : JournalSuffixes)
            journal = journal || name.endsWith(QLatin1String(suffix));
        if (!journal)
            aside << name;
    }
    int removed = 0;
    for (int i = 0; i + KeptFiles < aside.size(); ++i) {
        const QString path = dir.filePath(aside.at(i));
        if (unitCount(path, vfs) != 0)
            continue;
        if (QFile::remove(path)) {
            ++removed;
            for (const char *suffix : JournalSuffixes)
                QFile::remove(path + QLatin1String(suffix));
        }
    }
    return removed;
}

} // namespace storeAside
