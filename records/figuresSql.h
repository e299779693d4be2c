#pragma once

#include <QString>
#include <QStringList>

// The figures of a period as SQL, written once for both stores: the station's
// SQLite runs these statements, and the line store's PostgreSQL has them as
// functions made with its table, so an engineer's own tools get the same
// numbers from the server (see README, "The line's figures").
//
// `units` is the relation of the period's units: a subquery over the station's
// table, or results_units(...) on the server; `untilMs` the period's end in
// milliseconds, NULL for none.
namespace figuresSql {

enum class Dialect
{
    Sqlite,
    Postgres
};

// Per UTC day, station, product (vid, pid, model) and operator: day, station,
// vid, pid, model, operator, then the counts of total(). On SQLite also
// last_units: the units that are their serial's last of the period, each
// serial's one, so they add up to the period's serials when the period takes
// every unit between its bounds (no platform chosen).
QString groups(Dialect dialect, const QString &units, const QString &untilMs);
// One row over the whole period: units, serials, first_passed, final_passed,
// retests, passed, failed, incomplete, untested, first_start_ms, last_start_ms.
QString total(Dialect dialect, const QString &units, const QString &untilMs);
// The unique serials of the whole period, one row: serials. With groups(),
// whose other counts add up to the period's, it gives total().
QString serials(Dialect dialect, const QString &units);
// Units that did not pass (failed or incomplete) per reason kind, most first:
// kind, units. Units recorded before kinds were kept count as "unrecorded".
QString reasons(Dialect dialect, const QString &units);
// Per kind and key, how many units did not pass on that key: kind, key, units,
// most first. chatter and neverPressed name page keys, keyCheck and
// calibration HID usages.
QString keyFailures(Dialect dialect, const QString &units);

// The criteria the period's units were judged by, in the order they came
// into use: criteria (NULL for units recorded before it was kept), units,
// first_start_ms, last_start_ms.
QString criteria(Dialect dialect, const QString &units);

// The line store's functions over its table unit_results, each taking
// (since timestamptz, until timestamptz, platform_vid integer, platform_pid
// integer), every one NULL by default for no bound: results_units,
// results_groups, results_total, results_reasons, results_key_failures,
// results_criteria.
QStringList lineFunctions();

} // namespace figuresSql
