#include "figuresSql.h"

namespace figuresSql {

namespace {

const QString Counts =
    QStringLiteral(" count(*) AS units,"
                   " count(DISTINCT NULLIF(p.serial, '')) AS serials,"
                   " count(DISTINCT p.serial) FILTER (WHERE p.attempt = 1 AND p.outcome = 'passed') AS first_passed,"
                   " count(*) FILTER (WHERE p.attempt = l.attempt AND p.outcome = 'passed') AS final_passed,"
                   " count(*) FILTER (WHERE p.attempt > 1) AS retests,"
                   " count(*) FILTER (WHERE p.outcome = 'passed') AS passed,"
                   " count(*) FILTER (WHERE p.outcome = 'failed') AS failed,"
                   " count(*) FILTER (WHERE p.outcome = 'incomplete') AS incomplete,"
                   " count(*) FILTER (WHERE p.outcome = 'untested') AS untested,"
                   " min(p.start_utc_ms) AS first_start_ms, max(p.start_utc_ms) AS last_start_ms");

// A serial's first attempt is the store's attempt 1, whenever it was; its
// last is its latest unit in the period, which is where the final yield
// counts it.
QString countsOver(const QString &units, const QString &keys, const QString &grouping)
{
    return QStringLiteral("WITH period AS (SELECT * FROM ") + units +
           QStringLiteral("), last AS (SELECT serial, max(attempt) AS attempt FROM period"
                          " WHERE serial <> '' GROUP BY serial) SELECT ") +
           keys + Counts + QStringLiteral(" FROM period p LEFT JOIN last l ON l.serial = p.serial") + grouping;
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

QString isWholeNumber(Dialect dialect, const QString &text)
{
    if (dialect == Dialect::Postgres)
        return text + QStringLiteral(" ~ '^[0-9]{1,9}$'");
    return QStringLiteral("(length(") + text + QStringLiteral(") BETWEEN 1 AND 9 AND ") + text +
           QStringLiteral(" NOT GLOB '*[^0-9]*')");
}

// "key:gap" to "key".
QString chatterKey(Dialect dialect, const QString &item)
{
    if (dialect == Dialect::Postgres)
        return QStringLiteral("split_part(") + item + QStringLiteral(", ':', 1)");
    return QStringLiteral("substr(") + item + QStringLiteral(", 1, instr(") + item + QStringLiteral(", ':') - 1)");
}

QString hasKind(const QString &kind)
{
    return QStringLiteral("' ' || f.reason_kinds || ' ' LIKE '% ") + kind + QStringLiteral(" %'");
}

QString keysOfKind(Dialect dialect, const QString &kind, const QString &list, const QString &key)
{
    return QStringLiteral("SELECT '") + kind + QStringLiteral("' AS kind, ") + key +
           QStringLiteral(" AS key_text, f.unit_id FROM failing f, ") + explode(dialect, list) +
           QStringLiteral(" WHERE ") + hasKind(kind);
}

// Parameters of every line function, and the period they select.
const QString LineParameters = QStringLiteral("since timestamptz DEFAULT NULL, until timestamptz DEFAULT NULL,"
                                              " platform_vid integer DEFAULT NULL, platform_pid integer DEFAULT NULL");
const QString LineUnits = QStringLiteral("results_units($1, $2, $3, $4)");
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

QString groups(Dialect dialect, const QString &units)
{
    const QString day = dialect == Dialect::Postgres
                            ? QStringLiteral("DATE '1970-01-01' + CAST(p.start_utc_ms / 86400000 AS integer)")
                            : QStringLiteral("date(p.start_utc_ms / 1000, 'unixepoch')");
    return countsOver(units, day + QStringLiteral(" AS day, p.station, p.vid, p.pid, p.model, p.operator,"),
                      QStringLiteral(" GROUP BY 1, 2, 3, 4, 5, 6 ORDER BY 1, 2, 3, 4, 5 NULLS FIRST, 6 NULLS FIRST"));
}

QString total(Dialect, const QString &units)
{
    return countsOver(units, QString(), QString());
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
    return QStringLiteral("WITH failing AS (SELECT * FROM ") + units +
           QStringLiteral(" f WHERE f.outcome IN ('failed', 'incomplete') AND f.reason_kinds <> ''), keys AS (") +
           keysOfKind(dialect, QStringLiteral("chatter"), QStringLiteral("f.chatter"),
                      chatterKey(dialect, QStringLiteral("k.value"))) +
           QStringLiteral(" UNION ALL ") +
           keysOfKind(dialect, QStringLiteral("keyCheck"), QStringLiteral("f.key_check_bad_keys"),
                      QStringLiteral("k.value")) +
           QStringLiteral(" UNION ALL ") +
           keysOfKind(dialect, QStringLiteral("neverPressed"), QStringLiteral("f.keys_never_pressed"),
                      QStringLiteral("k.value")) +
           QStringLiteral(") SELECT kind, CAST(key_text AS integer) AS key, count(DISTINCT unit_id) AS units"
                          " FROM keys WHERE ") +
           isWholeNumber(dialect, QStringLiteral("key_text")) +
           QStringLiteral(" GROUP BY kind, key_text ORDER BY 3 DESC, 1, 2");
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
        lineFunction(QStringLiteral("results_units"), QStringLiteral("SETOF unit_results"),
                     QStringLiteral("SELECT * FROM unit_results u"
                                    " WHERE ($1 IS NULL OR u.start_utc_ms >= floor(extract(epoch FROM $1) * 1000))"
                                    " AND ($2 IS NULL OR u.start_utc_ms < floor(extract(epoch FROM $2) * 1000))"
                                    " AND ($3 IS NULL OR u.vid = $3) AND ($4 IS NULL OR u.pid = $4)")),
        lineFunction(QStringLiteral("results_groups"),
                     QStringLiteral("TABLE (day date, station text, vid integer, pid integer, model text,"
                                    " operator text, ") +
                         CountColumns + QLatin1Char(')'),
                     groups(pg, LineUnits)),
        lineFunction(QStringLiteral("results_total"), QStringLiteral("TABLE (") + CountColumns + QLatin1Char(')'),
                     total(pg, LineUnits)),
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
