#include "resultSchema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace resultSchema {

const char *const UnitColumns =
    "unit_id, start_utc_ms, end_utc_ms, station, tool_version, vid, pid, manufacturer, product, model, version, "
    "link_path, keys_pressed_count, keys_pressed, keys_never_pressed, chatter_count, chatter, key_check_run, "
    "key_check_bad_keys, calibration_keys, verdict, outcome, ended, serial, max_keys_held, reasons, capture";

namespace {

// Step n takes a store from version n-1 to n. A step is never edited once
// released: a change is a new step.
const QStringList &stepStatements(int step)
{
    static const QStringList none;
    static const QStringList one = {
        QStringLiteral("CREATE TABLE units ("
                       "unit_id TEXT PRIMARY KEY NOT NULL, start_utc_ms INTEGER NOT NULL, end_utc_ms INTEGER NOT NULL,"
                       " station TEXT, tool_version TEXT, vid INTEGER, pid INTEGER, manufacturer TEXT, product TEXT,"
                       " model TEXT, version TEXT, link_path TEXT, keys_pressed_count INTEGER, keys_pressed TEXT,"
                       " keys_never_pressed TEXT, chatter_count INTEGER, chatter TEXT, key_check_run INTEGER,"
                       " key_check_bad_keys TEXT, calibration_keys TEXT, verdict TEXT, outcome TEXT, ended TEXT)"),
        QStringLiteral("CREATE INDEX units_by_start ON units(start_utc_ms)"),
    };
    static const QStringList two = {
        QStringLiteral("CREATE TABLE line_queue (unit_id TEXT PRIMARY KEY NOT NULL, queued_utc_ms INTEGER NOT NULL)"),
    };
    // Rows of older units keep what they had: no serial, no reasons, and the
    // outcome the tool of their day gave.
    static const QStringList three = {
        QStringLiteral("ALTER TABLE units ADD COLUMN serial TEXT"),
        QStringLiteral("ALTER TABLE units ADD COLUMN max_keys_held INTEGER"),
        QStringLiteral("ALTER TABLE units ADD COLUMN reasons TEXT"),
    };
    // Older rows do not say what took their keys: NULL, not a guess.
    static const QStringList four = {
        QStringLiteral("ALTER TABLE units ADD COLUMN capture TEXT"),
    };
    switch (step) {
    case 1:
        return one;
    case 2:
        return two;
    case 3:
        return three;
    case 4:
        return four;
    default:
        return none;
    }
}

bool fail(const QSqlError &sqlError, QSqlError *error)
{
    if (error)
        *error = sqlError;
    return false;
}

QString text(const std::string &value)
{
    return QString::fromStdString(value);
}

std::string stdText(const QVariant &value)
{
    return value.toString().toStdString();
}

} // namespace

int storedVersion(QSqlDatabase &db, QSqlError *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'schema_version'")) ||
        !query.next() ||
        (query.value(0).toInt() != 0 &&
         (!query.exec(QStringLiteral("SELECT max(version) FROM schema_version")) || !query.next()))) {
        fail(query.lastError(), error);
        return -1;
    }
    return query.value(0).toInt();
}

bool migrate(QSqlDatabase &db, int targetVersion, QSqlError *error)
{
    const int from = storedVersion(db, error);
    if (from < 0)
        return false;
    if (from > CurrentVersion) {
        if (error)
            *error = QSqlError(QString(), QStringLiteral("written by a newer tool (schema version %1)").arg(from));
        return false;
    }
    for (int step = from + 1; step <= targetVersion && step <= CurrentVersion; ++step) {
        if (!db.transaction())
            return fail(db.lastError(), error);
        QSqlQuery query(db);
        QStringList statements = stepStatements(step);
        if (step == 1)
            statements.prepend(QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"));
        bool ok = true;
        for (const QString &statement : statements)
            ok = ok && query.exec(statement);
        ok = ok && query.exec(QStringLiteral("DELETE FROM schema_version")) &&
             query.exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(step));
        if (!ok) {
            const QSqlError sqlError = query.lastError();
            db.rollback();
            return fail(sqlError, error);
        }
        if (!db.commit())
            return fail(db.lastError(), error);
    }
    return true;
}

QString placeholders()
{
    QStringList marks;
    for (int i = 0; i < UnitColumnCount; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

void bindUnit(QSqlQuery &query, const UnitRecord &record)
{
    const UnitIdentity &id = record.identity;
    query.addBindValue(text(record.unitId));
    query.addBindValue(static_cast<qlonglong>(record.startUtcMs));
    query.addBindValue(static_cast<qlonglong>(record.endUtcMs));
    query.addBindValue(text(id.station));
    query.addBindValue(text(id.toolVersion));
    query.addBindValue(static_cast<int>(id.vid));
    query.addBindValue(static_cast<int>(id.pid));
    query.addBindValue(text(id.manufacturer));
    query.addBindValue(text(id.product));
    query.addBindValue(text(id.model));
    query.addBindValue(text(id.version));
    query.addBindValue(text(id.linkPath));
    query.addBindValue(static_cast<int>(record.keysPressed.size()));
    query.addBindValue(text(joinKeys(record.keysPressed)));
    query.addBindValue(text(joinKeys(record.keysNeverPressed)));
    query.addBindValue(static_cast<qlonglong>(record.chatterCount));
    query.addBindValue(text(joinChatter(record.chatter)));
    query.addBindValue(record.keyCheckRun ? 1 : 0);
    query.addBindValue(text(joinKeys(record.keyCheckBadKeys)));
    query.addBindValue(text(joinKeys(record.calibrationKeys)));
    query.addBindValue(QString::fromLatin1(verdictName(record.verdict)));
    query.addBindValue(QString::fromLatin1(outcomeName(record.outcome)));
    query.addBindValue(QString::fromLatin1(unitEndName(record.ended)));
    query.addBindValue(text(id.serial));
    query.addBindValue(record.maxKeysHeld);
    query.addBindValue(text(record.reasons));
    query.addBindValue(text(record.capture));
}

UnitRecord unitFromRow(const QSqlQuery &query, int first)
{
    int column = first;
    auto next = [&]() { return query.value(column++); };
    UnitRecord record;
    UnitIdentity &id = record.identity;
    record.unitId = stdText(next());
    record.startUtcMs = next().toLongLong();
    record.endUtcMs = next().toLongLong();
    id.station = stdText(next());
    id.toolVersion = stdText(next());
    id.vid = static_cast<std::uint16_t>(next().toInt());
    id.pid = static_cast<std::uint16_t>(next().toInt());
    id.manufacturer = stdText(next());
    id.product = stdText(next());
    id.model = stdText(next());
    id.version = stdText(next());
    id.linkPath = stdText(next());
    next(); // the count is kept for queries; the list is the record's
    record.keysPressed = splitKeys(stdText(next()));
    record.keysNeverPressed = splitKeys(stdText(next()));
    record.chatterCount = next().toLongLong();
    record.chatter = splitChatter(stdText(next()));
    record.keyCheckRun = next().toInt() != 0;
    record.keyCheckBadKeys = splitKeys(stdText(next()));
    record.calibrationKeys = splitKeys(stdText(next()));
    verdictFromName(stdText(next()), record.verdict);
    outcomeFromName(stdText(next()), record.outcome);
    unitEndFromName(stdText(next()), record.ended);
    id.serial = stdText(next());
    record.maxKeysHeld = next().toInt();
    record.reasons = stdText(next());
    record.capture = stdText(next());
    return record;
}

bool insertUnit(QSqlDatabase &db, const UnitRecord &record, bool queueForLine, QSqlError *error)
{
    return insertUnits(db, std::vector<UnitRecord>{record}, queueForLine, error);
}

bool insertUnits(QSqlDatabase &db, const std::vector<UnitRecord> &records, bool queueForLine, QSqlError *error)
{
    if (!db.transaction())
        return fail(db.lastError(), error);
    QSqlQuery unit(db);
    QSqlQuery queue(db);
    bool ok = unit.prepare(QStringLiteral("INSERT OR IGNORE INTO units (%1) VALUES (%2)")
                               .arg(QString::fromLatin1(UnitColumns), placeholders()));
    if (ok && queueForLine)
        ok = queue.prepare(QStringLiteral("INSERT OR IGNORE INTO line_queue (unit_id, queued_utc_ms) VALUES (?, ?)"));
    QSqlError sqlError = unit.lastError().isValid() ? unit.lastError() : queue.lastError();
    for (std::size_t i = 0; ok && i < records.size(); ++i) {
        bindUnit(unit, records[i]);
        ok = unit.exec();
        if (!ok) {
            sqlError = unit.lastError();
        } else if (queueForLine) {
            queue.addBindValue(text(records[i].unitId));
            queue.addBindValue(static_cast<qlonglong>(records[i].endUtcMs));
            ok = queue.exec();
            if (!ok)
                sqlError = queue.lastError();
        }
    }
    if (!ok) {
        db.rollback();
        return fail(sqlError, error);
    }
    if (!db.commit()) {
        sqlError = db.lastError();
        db.rollback();
        return fail(sqlError, error);
    }
    return true;
}

} // namespace resultSchema
