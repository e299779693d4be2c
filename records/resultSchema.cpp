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
    "key_check_bad_keys, calibration_keys, verdict, outcome, ended, serial, max_keys_held, reasons, capture, operator, "
    "attempt, criteria, reason_kinds, calibration_failed_keys";

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
    // A unit the line store refused for itself leaves the queue for here,
    // with the server's words, until someone queues it again.
    static const QStringList five = {
        QStringLiteral("CREATE TABLE line_aside (unit_id TEXT PRIMARY KEY NOT NULL, aside_utc_ms INTEGER NOT NULL,"
                       " reason TEXT NOT NULL)"),
    };
    // A unit's attempt is the store's count, never the writer's: the trigger
    // numbers each unit with a serial among the units of that serial by start,
    // and moves the later ones up when an earlier unit arrives late (from the
    // fallback file). It also keeps, for each, when the serial's next attempt
    // started: a serial's last unit of a period is then found without looking
    // at its other units. Older units keep no attempt of their own but are
    // counted, and get their next attempt's start here.
    static const QStringList six = {
        QStringLiteral("ALTER TABLE units ADD COLUMN operator TEXT"),
        QStringLiteral("ALTER TABLE units ADD COLUMN attempt INTEGER"),
        QStringLiteral("ALTER TABLE units ADD COLUMN criteria TEXT"),
        QStringLiteral("ALTER TABLE units ADD COLUMN reason_kinds TEXT"),
        QStringLiteral("ALTER TABLE units ADD COLUMN calibration_failed_keys TEXT"),
        QStringLiteral("ALTER TABLE units ADD COLUMN next_attempt_utc_ms INTEGER"),
        QStringLiteral("CREATE INDEX units_by_serial ON units(serial, start_utc_ms, unit_id)"),
        QStringLiteral("UPDATE units SET next_attempt_utc_ms = (SELECT u.start_utc_ms FROM units u"
                       " WHERE u.serial = units.serial AND (u.start_utc_ms, u.unit_id) > (units.start_utc_ms,"
                       " units.unit_id) ORDER BY u.start_utc_ms, u.unit_id LIMIT 1) WHERE serial <> ''"),
        // The figures read these alone, in the order they group them.
        QStringLiteral("CREATE INDEX units_figures ON units(start_utc_ms / 86400000, station, vid, pid, model,"
                       " operator, serial, attempt, outcome, next_attempt_utc_ms, start_utc_ms)"),
        QStringLiteral("CREATE INDEX units_by_outcome ON units(outcome, start_utc_ms)"),
        QStringLiteral("CREATE INDEX units_by_criteria ON units(criteria, start_utc_ms)"),
        // The unit before it of the same serial says which attempt this is,
        // found through the index however many units the serial has; only
        // after a unit that has none (an older row) are they counted.
        QStringLiteral("CREATE TRIGGER units_attempt AFTER INSERT ON units WHEN NEW.serial <> '' BEGIN"
                       " UPDATE units SET attempt = coalesce("
                       "(SELECT u.attempt + 1 FROM units u WHERE u.serial = NEW.serial AND"
                       " (u.start_utc_ms, u.unit_id) < (NEW.start_utc_ms, NEW.unit_id)"
                       " ORDER BY u.start_utc_ms DESC, u.unit_id DESC LIMIT 1),"
                       " (SELECT count(*) + 1 FROM units u WHERE u.serial = NEW.serial AND"
                       " (u.start_utc_ms, u.unit_id) < (NEW.start_utc_ms, NEW.unit_id))),"
                       " next_attempt_utc_ms = (SELECT u.start_utc_ms FROM units u WHERE u.serial = NEW.serial AND"
                       " (u.start_utc_ms, u.unit_id) > (NEW.start_utc_ms, NEW.unit_id)"
                       " ORDER BY u.start_utc_ms, u.unit_id LIMIT 1)"
                       " WHERE unit_id = NEW.unit_id;"
                       " UPDATE units SET next_attempt_utc_ms = NEW.start_utc_ms WHERE unit_id = (SELECT u.unit_id"
                       " FROM units u WHERE u.serial = NEW.serial AND"
                       " (u.start_utc_ms, u.unit_id) < (NEW.start_utc_ms, NEW.unit_id)"
                       " ORDER BY u.start_utc_ms DESC, u.unit_id DESC LIMIT 1);"
                       " UPDATE units SET attempt = attempt + 1 WHERE serial = NEW.serial AND"
                       " (start_utc_ms, unit_id) > (NEW.start_utc_ms, NEW.unit_id);"
                       " END"),
    };
    // The units that did not pass, with what the figures read of them: their
    // reasons and keys come from here rather than from scattered rows of the
    // table. A unit that passed costs its writing nothing more.
    static const QStringList seven = {
        QStringLiteral("CREATE INDEX units_failing ON units(outcome, start_utc_ms, vid, pid, reason_kinds, chatter,"
                       " key_check_bad_keys, keys_never_pressed, calibration_failed_keys, unit_id)"
                       " WHERE outcome IN ('failed', 'incomplete')"),
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
    case 5:
        return five;
    case 6:
        return six;
    case 7:
        return seven;
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

// A text that came from outside: the firmware, the system, a person.
QString cleaned(const std::string &value)
{
    return QString::fromStdString(cleanText(value));
}

std::string stdText(const QVariant &value)
{
    return value.toString().toStdString();
}

// NULL for what a unit does not have, so it reads as old rows do.
QVariant textOrNull(const std::string &value)
{
    return value.empty() ? QVariant(QVariant::String) : QVariant(text(value));
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

QString readableUnits(QSqlDatabase &db)
{
    QSqlQuery query(db);
    QStringList present;
    if (query.exec(QStringLiteral("PRAGMA table_info(units)")))
        while (query.next())
            present << query.value(1).toString();
    QStringList columns;
    bool missing = false;
    const QStringList wanted = QString::fromLatin1(UnitColumns).split(QStringLiteral(", "))
                               << QStringLiteral("next_attempt_utc_ms");
    for (const QString &column : wanted) {
        const bool has = present.contains(column);
        missing = missing || !has;
        if (has)
            columns << column;
        // The figures' last attempt of a serial: what the migration would
        // give the older rows.
        else if (column == QLatin1String("next_attempt_utc_ms") && present.contains(QStringLiteral("serial")))
            columns << QStringLiteral("CASE WHEN serial <> '' THEN lead(start_utc_ms) OVER (PARTITION BY serial"
                                      " ORDER BY start_utc_ms, unit_id) END AS next_attempt_utc_ms");
        else
            columns << QStringLiteral("NULL AS ") + column;
    }
    // Without the table at all, the statement fails and says so.
    if (!missing || present.isEmpty())
        return QStringLiteral("units");
    return QStringLiteral("(SELECT ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM units)");
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
    query.addBindValue(cleaned(record.unitId));
    query.addBindValue(static_cast<qlonglong>(record.startUtcMs));
    query.addBindValue(static_cast<qlonglong>(record.endUtcMs));
    query.addBindValue(cleaned(id.station));
    query.addBindValue(cleaned(id.toolVersion));
    query.addBindValue(static_cast<int>(id.vid));
    query.addBindValue(static_cast<int>(id.pid));
    query.addBindValue(cleaned(id.manufacturer));
    query.addBindValue(cleaned(id.product));
    query.addBindValue(cleaned(id.model));
    query.addBindValue(cleaned(id.version));
    query.addBindValue(cleaned(id.linkPath));
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
    query.addBindValue(cleaned(id.serial));
    query.addBindValue(record.maxKeysHeld);
    query.addBindValue(cleaned(record.reasons));
    query.addBindValue(cleaned(record.capture));
    query.addBindValue(id.operatorName ? QVariant(cleaned(*id.operatorName)) : QVariant(QVariant::String));
    query.addBindValue(record.attempt > 0 ? QVariant(record.attempt) : QVariant(QVariant::Int));
    query.addBindValue(textOrNull(cleanText(record.criteria)));
    query.addBindValue(cleaned(record.reasonKinds));
    query.addBindValue(text(joinKeys(record.calibrationFailedKeys)));
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
    const QVariant operatorName = next();
    if (!operatorName.isNull())
        id.operatorName = stdText(operatorName);
    record.attempt = next().toInt();
    record.criteria = stdText(next());
    record.reasonKinds = stdText(next());
    record.calibrationFailedKeys = splitKeys(stdText(next()));
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
            queue.addBindValue(cleaned(records[i].unitId));
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
