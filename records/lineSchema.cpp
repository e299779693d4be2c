#include "lineSchema.h"

#include "figuresSql.h"

namespace lineSchema {

namespace {

// The table as the first tool that used it made it, then each later column
// added where missing: a server set up by an older tool keeps its rows as they
// were, and older stations still insert (their columns are a subset).
QStringList table()
{
    return {
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS unit_results ("
            "unit_id text PRIMARY KEY, start_utc_ms bigint NOT NULL, end_utc_ms bigint NOT NULL, station text,"
            " tool_version text, vid integer, pid integer, manufacturer text, product text, model text,"
            " version text, link_path text, keys_pressed_count integer, keys_pressed text, keys_never_pressed text,"
            " chatter_count bigint, chatter text, key_check_run integer, key_check_bad_keys text,"
            " calibration_keys text, verdict text, outcome text, ended text,"
            " received_at timestamptz NOT NULL DEFAULT now())"),
        QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS serial text"),
        QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS max_keys_held integer"),
        QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS reasons text"),
        QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS capture text"),
        QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS operator text"),
        QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS attempt integer"),
        QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS criteria text"),
        QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS reason_kinds text"),
        QStringLiteral("ALTER TABLE unit_results ADD COLUMN IF NOT EXISTS calibration_failed_keys text"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS unit_results_by_start ON unit_results (start_utc_ms)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS unit_results_by_serial ON unit_results"
                       " (serial, start_utc_ms, unit_id)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS unit_results_by_criteria ON unit_results (criteria, start_utc_ms)"),
        // The units that did not pass with what their reasons and keys need,
        // so the figures read neither the table nor the units that passed.
        QStringLiteral("CREATE INDEX IF NOT EXISTS unit_results_not_passed ON unit_results (start_utc_ms)"
                       " INCLUDE (unit_id, outcome, reason_kinds, chatter, key_check_bad_keys, keys_never_pressed,"
                       " calibration_failed_keys)"
                       " WHERE outcome IN ('failed', 'incomplete')"),
        // When the serial's next attempt started, kept by the server as for
        // the station's store; the rows already there get theirs once, with
        // the column.
        QStringLiteral("DO $d$ BEGIN"
                       " IF NOT EXISTS (SELECT 1 FROM information_schema.columns WHERE table_name = 'unit_results'"
                       " AND column_name = 'next_attempt_utc_ms' AND table_schema = current_schema()) THEN"
                       " ALTER TABLE unit_results ADD COLUMN next_attempt_utc_ms bigint;"
                       " UPDATE unit_results r SET next_attempt_utc_ms = (SELECT u.start_utc_ms FROM unit_results u"
                       " WHERE u.serial = r.serial AND (u.start_utc_ms, u.unit_id) > (r.start_utc_ms, r.unit_id)"
                       " ORDER BY u.start_utc_ms, u.unit_id LIMIT 1) WHERE r.serial <> '';"
                       " END IF; END $d$"),
        // What the figures read, in the order they group it: read from the
        // index alone and without a sort. Made with the column it holds.
        QStringLiteral("CREATE INDEX IF NOT EXISTS unit_results_figures ON unit_results ((start_utc_ms / 86400000),"
                       " station, vid, pid, model NULLS FIRST, operator NULLS FIRST, serial, attempt, outcome,"
                       " next_attempt_utc_ms, start_utc_ms)"),
    };
}

// The line counts a serial's attempts over every station: the server numbers
// each unit as it arrives, whatever number its station gave it, and moves the
// later ones up when a station sends an earlier unit late. Units of one serial
// are numbered one transaction at a time; the unit before it says which
// attempt a unit is, found through the index.
QStringList attempts()
{
    return {
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION unit_results_number_attempt() RETURNS trigger LANGUAGE plpgsql AS $f$"
            " BEGIN"
            " IF NEW.serial IS NULL OR NEW.serial = '' THEN"
            " NEW.attempt := NULL; NEW.next_attempt_utc_ms := NULL; RETURN NEW;"
            " END IF;"
            " PERFORM pg_advisory_xact_lock(hashtext('unit_results.attempt'), hashtext(NEW.serial));"
            " SELECT attempt + 1 INTO NEW.attempt FROM unit_results"
            " WHERE serial = NEW.serial AND (start_utc_ms, unit_id) < (NEW.start_utc_ms, NEW.unit_id)"
            " ORDER BY start_utc_ms DESC, unit_id DESC LIMIT 1;"
            " IF NEW.attempt IS NULL THEN"
            " SELECT count(*) + 1 INTO NEW.attempt FROM unit_results"
            " WHERE serial = NEW.serial AND (start_utc_ms, unit_id) < (NEW.start_utc_ms, NEW.unit_id);"
            " END IF;"
            " SELECT start_utc_ms INTO NEW.next_attempt_utc_ms FROM unit_results"
            " WHERE serial = NEW.serial AND (start_utc_ms, unit_id) > (NEW.start_utc_ms, NEW.unit_id)"
            " ORDER BY start_utc_ms, unit_id LIMIT 1;"
            " RETURN NEW;"
            " END $f$"),
        // Only for a unit really inserted: a unit sent again changes nothing.
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION unit_results_renumber_later() RETURNS trigger LANGUAGE plpgsql AS $f$"
            " BEGIN"
            " UPDATE unit_results SET next_attempt_utc_ms = NEW.start_utc_ms WHERE unit_id = (SELECT unit_id"
            " FROM unit_results WHERE serial = NEW.serial AND (start_utc_ms, unit_id) < (NEW.start_utc_ms,"
            " NEW.unit_id) ORDER BY start_utc_ms DESC, unit_id DESC LIMIT 1);"
            " UPDATE unit_results SET attempt = attempt + 1"
            " WHERE serial = NEW.serial AND (start_utc_ms, unit_id) > (NEW.start_utc_ms, NEW.unit_id);"
            " RETURN NULL;"
            " END $f$"),
        // Made once: CREATE TRIGGER has no IF NOT EXISTS before PostgreSQL 14.
        QStringLiteral("DO $d$ BEGIN"
                       " IF NOT EXISTS (SELECT 1 FROM pg_trigger WHERE tgname = 'unit_results_attempt'"
                       " AND tgrelid = 'unit_results'::regclass) THEN"
                       " CREATE TRIGGER unit_results_attempt BEFORE INSERT ON unit_results"
                       " FOR EACH ROW EXECUTE PROCEDURE unit_results_number_attempt();"
                       " CREATE TRIGGER unit_results_later_attempts AFTER INSERT ON unit_results"
                       " FOR EACH ROW WHEN (NEW.serial <> '') EXECUTE PROCEDURE unit_results_renumber_later();"
                       " END IF; END $d$"),
    };
}

} // namespace

QStringList statements()
{
    return table() + attempts() + figuresSql::lineFunctions();
}

} // namespace lineSchema
