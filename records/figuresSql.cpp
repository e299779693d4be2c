#include "figuresSql.h"

namespace figuresSql {

namespace {

// A serial's first attempt is the store's attempt 1, whenever it was. Its
// last in the period is the unit whose next attempt (kept by the store)
// starts after the period or never: the final yield counts it where that unit
// is. Each serial has one of each, so only the serials themselves need
// counting apart.
QString counts(const QString &untilMs, const QString &serials)
{
    return QStringLiteral(" count(*) AS units, ") + serials +
           QStringLiteral(" AS serials,"
                          " count(*) FILTER (WHERE p.attempt = 1 AND p.outcome = 'passed') AS first_passed,"
                          " count(*) FILTER (WHERE p.serial <> '' AND p.outcome = 'passed' AND"
                          " (p.next_attempt_utc_ms IS NULL OR p.next_attempt_utc_ms >= ") +
           untilMs +
           QStringLiteral(")) AS final_passed,"
                          " count(*) FILTER (WHERE p.attempt > 1) AS retests,"
                          " count(*) FILTER (WHERE p.outcome = 'passed') AS passed,"
                          " count(*) FILTER (WHERE p.outcome = 'failed') AS failed,"
                          " count(*) FILTER (WHERE p.outcome = 'incomplete') AS incomplete,"
                          " count(*) FILTER (WHERE p.outcome = 'untested') AS untested,"
                          " min(p.start_utc_ms) AS first_start_ms, max(p.start_utc_ms) AS last_start_ms");
}

// The words of a space-separated list, each a row with the column value.
QString explode(Dialect dialect, const QString &list)
{
    if (dialect == Dialect::Postgres)
        return QStringLiteral("unnest(string_to_array(") + list + QStringLiteral(", ' ')) AS k(value)");
    // As a JSON array of strings; a list holding a quote or a backslash is not
    // one the tool wrote, and gives no rows rather than an error.
    const QString json = QStringLiteral("'[\"' || replace(") + list + QStringLiteral(", ' ', '\",\"') || '\"]'");
    return QStringLiteral("json_each(CASE WHEN json_valid(") + json + QStringLiteral(") THEN ") + json +
           QStringLiteral(" ELSE '[]' END) AS k");
}

// The keys of a list column ("65 66", or chatter's "65:12 70:4"): a row k
// per word, and the word's key as an integer, NULL for a word that is not a
// key the tool wrote.
struct ListKeys
{
    QString rows;
    QString key;
};

ListKeys keysOf(Dialect dialect, const QString &list, bool chatter)
{
    if (dialect == Dialect::Postgres) {
        const QString item = chatter ? QStringLiteral("split_part(k.value, ':', 1)") : QStringLiteral("k.value");
        return {QStringLiteral("unnest(string_to_array(") + list + QStringLiteral(", ' ')) AS k(value)"),
                QStringLiteral("CASE WHEN ") + item + QStringLiteral(" ~ '^[0-9]{1,9}$' THEN CAST(") + item +
                    QStringLiteral(" AS integer) END")};
    }
    // As a JSON array of numbers; chatter's pairs flattened, the keys at
    // the even places.
    const QString spaced = chatter ? QStringLiteral("replace(") + list + QStringLiteral(", ':', ',')") : list;
    const QString json = QStringLiteral("'[' || replace(") + spaced + QStringLiteral(", ' ', ',') || ']'");
    return {QStringLiteral("json_each(CASE WHEN json_valid(") + json + QStringLiteral(") THEN ") + json +
                QStringLiteral(" ELSE '[]' END) AS k"),
            QStringLiteral("CASE WHEN typeof(k.value) = 'integer'") +
                (chatter ? QStringLiteral(" AND k.key % 2 = 0") : QString()) + QStringLiteral(" THEN k.value END")};
}

// The unique serials of p. A serial the store holds one unit of (its first
// attempt, with none after it) is unique by itself; only the serials with
// several units, a small share on a line, need the costly comparing.
QString uniqueSerials(Dialect dialect)
{
    if (dialect == Dialect::Postgres)
        return QStringLiteral("count(DISTINCT NULLIF(p.serial, ''))");
    const QString alone = QStringLiteral("p.attempt IS 1 AND p.next_attempt_utc_ms IS NULL");
    return QStringLiteral("(count(*) FILTER (WHERE p.serial <> '' AND ") + alone +
           QStringLiteral(") + count(DISTINCT p.serial) FILTER (WHERE p.serial <> '' AND NOT (") + alone +
           QStringLiteral(")))");
}

QString hasKind(const QString &kind)
{
    return QStringLiteral("' ' || f.reason_kinds || ' ' LIKE '% ") + kind + QStringLiteral(" %'");
}

// Units that failed on a kind, grouped by their list of keys: most lists
// recur (the same key never pressed), so each is taken apart once and counts
// its units. A list names each key once.
QString listsOfKind(const QString &kind, const QString &list)
{
    return QStringLiteral("SELECT '") + kind + QStringLiteral("' AS kind, ") + list +
           QStringLiteral(" AS list, count(*) AS units FROM failing f WHERE ") + hasKind(kind) +
           QStringLiteral(" GROUP BY ") + list;
}

// Parameters of every line function, and the period they select.
const QString LineParameters = QStringLiteral("since timestamptz DEFAULT NULL, until timestamptz DEFAULT NULL,"
                                              " platform_vid integer DEFAULT NULL, platform_pid integer DEFAULT NULL");
const QString LineUnits = QStringLiteral("results_units($1, $2, $3, $4)");
const QString LineSinceMs = QStringLiteral("CAST(floor(extract(epoch FROM $1) * 1000) AS bigint)");
const QString LineUntilMs = QStringLiteral("CAST(floor(extract(epoch FROM $2) * 1000) AS bigint)");
const QString CountColumns = QStringLiteral(
    "units bigint, serials bigint, first_passed bigint, final_passed bigint, retests bigint, passed bigint,"
    " failed bigint, incomplete bigint, untested bigint, first_start_ms bigint, last_start_ms bigint");

QString lineFunction(const QString &name, const QString &returns, const QString &body)
{
    return QStringLiteral("CREATE OR REPLACE FUNCTION ") + name + QLatin1Char('(') + LineParameters +
           QStringLiteral(") RETURNS ") + returns + QStringLiteral(" LANGUAGE sql STABLE AS $figures$ ") + body +
           QStringLiteral(" $figures$");
}

} // namespace

QString groups(Dialect dialect, const QString &units, const QString &untilMs)
{
    // Grouped by the day's number, which the station's figures index leads
    // with: its units come in group order, and no sort is needed.
    const QString day = dialect == Dialect::Postgres
                            ? QStringLiteral("DATE '1970-01-01' + CAST(p.start_utc_ms / 86400000 AS integer)")
                            : QStringLiteral("date(p.start_utc_ms / 86400000 * 86400, 'unixepoch')");
    // A serial's last unit of the period is the one whose next attempt
    // started after it, or never.
    const QString lastUnits = dialect == Dialect::Postgres
                                  ? QString()
                                  : QStringLiteral(", count(*) FILTER (WHERE p.serial <> '' AND"
                                                   " (p.next_attempt_utc_ms IS NULL OR p.next_attempt_utc_ms >= ") +
                                        untilMs + QStringLiteral(")) AS last_units");
    return QStringLiteral("SELECT ") + day + QStringLiteral(" AS day, p.station, p.vid, p.pid, p.model, p.operator,") +
           counts(untilMs, uniqueSerials(dialect)) + lastUnits + QStringLiteral(" FROM ") + units +
           QStringLiteral(" p GROUP BY p.start_utc_ms / 86400000, 2, 3, 4, 5, 6"
                          " ORDER BY p.start_utc_ms / 86400000, 2, 3, 4, 5 NULLS FIRST, 6 NULLS FIRST");
}

QString total(Dialect, const QString &units, const QString &untilMs)
{
    // The serials of a whole period as a DISTINCT of their own, which the
    // station's serial index answers in its order.
    const QString serials = QStringLiteral("(SELECT count(*) FROM (SELECT DISTINCT d.serial FROM ") + units +
                            QStringLiteral(" d WHERE d.serial <> '') s)");
    return QStringLiteral("SELECT") + counts(untilMs, serials) + QStringLiteral(" FROM ") + units +
           QStringLiteral(" p");
}

QString serials(Dialect dialect, const QString &units)
{
    return QStringLiteral("SELECT ") + uniqueSerials(dialect) + QStringLiteral(" AS serials FROM ") + units +
           QStringLiteral(" p");
}

QString reasons(Dialect dialect, const QString &units)
{
    return QStringLiteral("WITH failing AS (SELECT reason_kinds FROM ") + units +
           QStringLiteral(" f WHERE f.outcome IN ('failed', 'incomplete'))"
                          " SELECT k.value AS kind, count(*) AS units FROM failing f, ") +
           explode(dialect, QStringLiteral("f.reason_kinds")) +
           QStringLiteral(" WHERE k.value <> '' GROUP BY k.value"
                          " UNION ALL SELECT 'unrecorded', count(*) FROM failing f"
                          " WHERE coalesce(f.reason_kinds, '') = '' HAVING count(*) > 0"
                          " ORDER BY 2 DESC, 1");
}

QString keyFailures(Dialect dialect, const QString &units)
{
    // A key chatters as often as it bounces but counts once per unit.
    const ListKeys chattered = keysOf(dialect, QStringLiteral("f.chatter"), true);
    const ListKeys listed = keysOf(dialect, QStringLiteral("l.list"), false);
    return QStringLiteral("WITH failing AS (SELECT f.unit_id, f.reason_kinds, f.chatter, f.key_check_bad_keys,"
                          " f.keys_never_pressed, f.calibration_failed_keys FROM ") +
           units +
           QStringLiteral(" f WHERE f.outcome IN ('failed', 'incomplete') AND f.reason_kinds <> ''), lists AS (") +
           listsOfKind(QStringLiteral("keyCheck"), QStringLiteral("f.key_check_bad_keys")) +
           QStringLiteral(" UNION ALL ") +
           listsOfKind(QStringLiteral("calibration"), QStringLiteral("f.calibration_failed_keys")) +
           QStringLiteral(" UNION ALL ") +
           listsOfKind(QStringLiteral("neverPressed"), QStringLiteral("f.keys_never_pressed")) +
           QStringLiteral("), keys AS (SELECT DISTINCT 'chatter' AS kind, ") + chattered.key +
           QStringLiteral(" AS key, f.unit_id, 1 AS units FROM failing f, ") + chattered.rows +
           QStringLiteral(" WHERE ") + hasKind(QStringLiteral("chatter")) +
           QStringLiteral(" UNION ALL SELECT l.kind, ") + listed.key +
           QStringLiteral(", NULL, l.units FROM lists l, ") + listed.rows +
           QStringLiteral(") SELECT kind, key, sum(units) AS units FROM keys WHERE key IS NOT NULL GROUP BY kind, key"
                          " ORDER BY 3 DESC, 1, 2");
}

QString criteria(Dialect, const QString &units)
{
    return QStringLiteral("SELECT f.criteria, count(*) AS units, min(f.start_utc_ms) AS first_start_ms,"
                          " max(f.start_utc_ms) AS last_start_ms FROM ") +
           units + QStringLiteral(" f GROUP BY f.criteria ORDER BY 3, 1 NULLS FIRST");
}

QStringList lineFunctions()
{
    // Never edited once released: a function that must change gets a new
    // name, so stations of two versions on one line do not replace each
    // other's.
    const Dialect pg = Dialect::Postgres;
    return {
        // The day's number too, so the figures index takes the range.
        lineFunction(
            QStringLiteral("results_units"), QStringLiteral("SETOF unit_results"),
            QStringLiteral("SELECT * FROM unit_results u WHERE ($1 IS NULL OR (u.start_utc_ms / 86400000 >= ") +
                LineSinceMs + QStringLiteral(" / 86400000 AND u.start_utc_ms >= ") + LineSinceMs +
                QStringLiteral(")) AND ($2 IS NULL OR (u.start_utc_ms / 86400000 <= ") + LineUntilMs +
                QStringLiteral(" / 86400000 AND u.start_utc_ms < ") + LineUntilMs +
                QStringLiteral(")) AND ($3 IS NULL OR u.vid = $3) AND ($4 IS NULL OR u.pid = $4)")),
        lineFunction(QStringLiteral("results_groups"),
                     QStringLiteral("TABLE (day date, station text, vid integer, pid integer, model text,"
                                    " operator text, ") +
                         CountColumns + QLatin1Char(')'),
                     groups(pg, LineUnits, LineUntilMs)),
        lineFunction(QStringLiteral("results_total"), QStringLiteral("TABLE (") + CountColumns + QLatin1Char(')'),
                     total(pg, LineUnits, LineUntilMs)),
        lineFunction(QStringLiteral("results_reasons"), QStringLiteral("TABLE (kind text, units bigint)"),
                     reasons(pg, LineUnits)),
        lineFunction(QStringLiteral("results_key_failures"),
                     QStringLiteral("TABLE (kind text, key integer, units bigint)"), keyFailures(pg, LineUnits)),
        lineFunction(QStringLiteral("results_criteria"),
                     QStringLiteral("TABLE (criteria text, units bigint, first_start_ms bigint, last_start_ms bigint)"),
                     criteria(pg, LineUnits)),
    };
}

} // namespace figuresSql
