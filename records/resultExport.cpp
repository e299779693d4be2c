#include "resultExport.h"

#include "lineQueue.h"
#include "resultSchema.h"
#include "resultStoreFile.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTextStream>
#include <QVariant>

namespace resultExport {

namespace {

// The filter as a WHERE clause over units, and the values for its marks.
QString whereClause(const ResultFilter &filter, QVariantList &values)
{
    QStringList terms;
    if (filter.sinceUtcMs) {
        terms << QStringLiteral("start_utc_ms >= ?");
        values << static_cast<qlonglong>(*filter.sinceUtcMs);
    }
    if (filter.untilUtcMs) {
        terms << QStringLiteral("start_utc_ms < ?");
        values << static_cast<qlonglong>(*filter.untilUtcMs);
    }
    if (filter.vid && filter.pid) {
        terms << QStringLiteral("vid = ? AND pid = ?");
        values << static_cast<int>(*filter.vid) << static_cast<int>(*filter.pid);
    }
    return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
}

QString utcText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODateWithMs);
}

QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString text(const std::string &value)
{
    return QString::fromStdString(value);
}

QString csvRow(const UnitRecord &r)
{
    const UnitIdentity &id = r.identity;
    const QStringList fields = {text(r.unitId),
                                utcText(r.startUtcMs),
                                utcText(r.endUtcMs),
                                cellText(id.station),
                                cellText(id.toolVersion),
                                hex4(id.vid),
                                hex4(id.pid),
                                cellText(id.manufacturer),
                                cellText(id.product),
                                cellText(id.model),
                                cellText(id.version),
                                cellText(id.linkPath),
                                QString::number(r.keysPressed.size()),
                                text(joinKeys(r.keysPressed)),
                                text(joinKeys(r.keysNeverPressed)),
                                QString::number(r.chatterCount),
                                text(joinChatter(r.chatter)),
                                r.keyCheckRun ? QStringLiteral("yes") : QStringLiteral("no"),
                                text(joinKeys(r.keyCheckBadKeys)),
                                text(joinKeys(r.calibrationKeys)),
                                QString::fromLatin1(verdictName(r.verdict)),
                                QString::fromLatin1(outcomeName(r.outcome)),
                                QString::fromLatin1(unitEndName(r.ended)),
                                cellText(id.serial),
                                QString::number(r.maxKeysHeld),
                                cellText(r.reasons),
                                cellText(r.capture),
                                cellText(id.operatorName.value_or(std::string())),
                                r.attempt > 0 ? QString::number(r.attempt) : QString(),
                                text(r.criteria),
                                text(r.reasonKinds),
                                text(joinKeys(r.calibrationFailedKeys))};
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(QLatin1Char(','));
}

// Runs the statement on a read-only connection and hands each row on; %1 in
// the statement stands for the units table as resultSchema::readableUnits
// gives it.
template <typename Fn>
bool eachRow(const QString &storePath, const QString &statement, const QVariantList &values, QString *error, Fn fn)
{
    static int serial = 0;
    const QString name = QStringLiteral("tkt_results_reader_%1").arg(++serial);
    bool ok = false;
    {
        QSqlDatabase db = resultStoreFile::open(name, storePath, true, 5000, error);
        QSqlError versionError;
        const int version = db.isOpen() ? resultSchema::storedVersion(db, &versionError) : -1;
        if (db.isOpen() && version < 0 && error)
            *error = QStringLiteral("%1 cannot be read: %2").arg(storePath, versionError.text());
        // A tool killed while it made the store leaves it without tables: an
        // empty store, which the next start completes.
        ok = version == 0;
        if (version > 0) {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            ok = query.prepare(statement.arg(resultSchema::readableUnits(db)));
            for (const QVariant &value : values)
                query.addBindValue(value);
            ok = ok && query.exec();
            if (!ok && error)
                *error = QStringLiteral("%1 cannot be read: %2").arg(storePath, query.lastError().text());
            while (ok && query.next())
                ok = fn(query);
        }
    }
    resultStoreFile::release(name);
    return ok;
}

} // namespace

QString cellText(const std::string &value)
{
    QString cell = text(value);
    if (!cell.isEmpty() && QStringLiteral("=+-@\t\r").contains(cell.front()))
        cell.prepend(QLatin1Char('\''));
    return cell;
}

QString csvHeader()
{
    return QStringLiteral(
        "unit_id,start_utc,end_utc,station,tool_version,vid,pid,manufacturer,product,model,version,"
        "link_path,keys_pressed_count,keys_pressed,keys_never_pressed,chatter_count,chatter,"
        "key_check_run,key_check_bad_keys,calibration_status1_keys,verdict,outcome,ended,serial,"
        "max_keys_held,reasons,capture,operator,attempt,criteria,reason_kinds,calibration_failed_keys");
}

QString csvField(const QString &value)
{
    const bool quote = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) ||
                       value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
                       (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!quote)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

bool exportCsv(const QString &storePath, const QString &csvPath, const ResultFilter &filter, qint64 *rows,
               QString *error)
{
    if (rows)
        *rows = 0;
    // Written beside and renamed over at the end: a failed export never
    // leaves half a file where a good one was.
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("%1 cannot be written: %2").arg(csvPath, file.errorString());
        return false;
    }
    QTextStream out(&file);
    out.setCodec("UTF-8");
    out << csvHeader() << "\r\n";

    QVariantList values;
    const QString statement = QStringLiteral("SELECT ") + QString::fromLatin1(resultSchema::UnitColumns) +
                              QStringLiteral(" FROM %1") + whereClause(filter, values) +
                              QStringLiteral(" ORDER BY start_utc_ms, unit_id");
    qint64 count = 0;
    const bool read = eachRow(storePath, statement, values, error, [&](const QSqlQuery &query) {
        out << csvRow(resultSchema::unitFromRow(query)) << "\r\n";
        ++count;
        return out.status() == QTextStream::Ok;
    });
    out.flush();
    if (!read) {
        file.cancelWriting();
        if (error && error->isEmpty())
            *error = QStringLiteral("%1 cannot be written: %2").arg(csvPath, file.errorString());
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("%1 cannot be written: %2").arg(csvPath, file.errorString());
        return false;
    }
    if (rows)
        *rows = count;
    return true;
}

bool queueCounts(const QString &storePath, lineQueue::Counts &counts, QString *error)
{
    static int serial = 0;
    const QString name = QStringLiteral("tkt_results_counter_%1").arg(++serial);
    bool ok = false;
    {
        QSqlDatabase db = resultStoreFile::open(name, storePath, true, 5000, error);
        QSqlError sqlError;
        ok = db.isOpen() && lineQueue::count(db, counts, &sqlError);
        if (db.isOpen() && !ok && error)
            *error = QStringLiteral("%1 cannot be read: %2").arg(storePath, sqlError.text());
    }
    resultStoreFile::release(name);
    return ok;
}

} // namespace resultExport
