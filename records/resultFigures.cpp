#include "resultFigures.h"

#include "figuresSql.h"
#include "lineConnection.h"
#include "lineSchema.h"
#include "resultSchema.h"
#include "resultStoreFile.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <functional>

using figuresSql::Dialect;

namespace {

FigureCounts countsFrom(const QSqlQuery &query, int first)
{
    int column = first;
    auto next = [&]() { return query.value(column++).toLongLong(); };
    FigureCounts c;
    c.units = next();
    c.serials = next();
    c.firstPassed = next();
    c.finalPassed = next();
    c.retests = next();
    c.passed = next();
    c.failed = next();
    c.incomplete = next();
    c.untested = next();
    c.firstStartUtcMs = next();
    c.lastStartUtcMs = next();
    return c;
}

// What every group counts, added up for the whole period: all but the unique
// serials, which one serial may add to several groups.
void addUp(const FigureCounts &group, FigureCounts &total)
{
    const bool first = total.units == 0;
    total.units += group.units;
    total.firstPassed += group.firstPassed;
    total.finalPassed += group.finalPassed;
    total.retests += group.retests;
    total.passed += group.passed;
    total.failed += group.failed;
    total.incomplete += group.incomplete;
    total.untested += group.untested;
    total.firstStartUtcMs = first ? group.firstStartUtcMs : std::min(total.firstStartUtcMs, group.firstStartUtcMs);
    total.lastStartUtcMs = first ? group.lastStartUtcMs : std::max(total.lastStartUtcMs, group.lastStartUtcMs);
}

// The statements of one store; each runs with `values` bound and hands its
// rows on. Without `total`, the period's counts are the groups' added up, and
// its unique serials their last_units, or what `serials` counts when given.
struct Statements
{
    QString total;
    QString serials;
    QString groups;
    QString reasons;
    QString keys;
    QString criteria;
    QString failedUnits;
    QVariantList values;
};

bool run(QSqlDatabase &db, const QString &statement, const QVariantList &values, QString *error,
         const std::function<void(const QSqlQuery &)> &row)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ok = query.prepare(statement);
    for (const QVariant &value : values)
        query.addBindValue(value);
    ok = ok && query.exec();
    while (ok && query.next())
        row(query);
    if (!ok && error)
        *error = query.lastError().text().simplified();
    return ok;
}

bool readAll(QSqlDatabase &db, const Statements &s, Figures *f, QString *error)
{
    const QVariantList &v = s.values;
    const bool addedUp = s.total.isEmpty();
    qint64 lastUnits = 0;
    bool ok = run(db, s.groups, v, error, [&](const QSqlQuery &q) {
        FigureGroup g;
        g.day = q.value(0).toString().left(10);
        g.station = q.value(1).toString();
        g.vid = static_cast<quint16>(q.value(2).toInt());
        g.pid = static_cast<quint16>(q.value(3).toInt());
        g.model = q.value(4).toString();
        if (!q.value(5).isNull())
            g.operatorName = q.value(5).toString();
        g.counts = countsFrom(q, 6);
        if (addedUp)
            lastUnits += q.value(17).toLongLong();
        f->groups.push_back(std::move(g));
    });
    if (!addedUp) {
        ok = ok && run(db, s.total, v, error, [&](const QSqlQuery &q) { f->total = countsFrom(q, 0); });
    } else {
        for (const FigureGroup &g : f->groups)
            addUp(g.counts, f->total);
        f->total.serials = lastUnits;
        if (!s.serials.isEmpty())
            ok = ok &&
                 run(db, s.serials, v, error, [&](const QSqlQuery &q) { f->total.serials = q.value(0).toLongLong(); });
    }
    ok = ok && run(db, s.reasons, v, error, [&](const QSqlQuery &q) {
             f->reasons.push_back({q.value(0).toString(), q.value(1).toLongLong()});
         });
    ok = ok && run(db, s.keys, v, error, [&](const QSqlQuery &q) {
             f->keys.push_back({q.value(0).toString(), q.value(1).toInt(), q.value(2).toLongLong()});
         });
    ok = ok && run(db, s.criteria, v, error, [&](const QSqlQuery &q) {
             CriteriaCount c;
             if (!q.value(0).isNull())
                 c.criteria = q.value(0).toString();
             c.units = q.value(1).toLongLong();
             f->criteria.push_back(std::move(c));
         });
    if (ok && f->query.maxFailedUnits > 0) {
        ok = run(db, s.failedUnits, v, error, [&](const QSqlQuery &q) {
            f->failedUnits.push_back({q.value(0).toString(), q.value(1).toLongLong(), q.value(2).toString(),
                                      q.value(3).toString(), q.value(4).toInt(), q.value(5).toString()});
        });
        std::reverse(f->failedUnits.begin(), f->failedUnits.end());
    }
    return ok;
}

// The newest failed units of a period, newest first.
QString failedUnits(const QString &units, int limit)
{
    return QStringLiteral("SELECT f.unit_id, f.start_utc_ms, f.station, f.serial, f.attempt, f.reasons FROM ") + units +
           QStringLiteral(" f WHERE f.outcome = 'failed' ORDER BY f.start_utc_ms DESC, f.unit_id DESC LIMIT ") +
           QString::number(limit);
}

// The station's units of the period; the bounds are numbers of ours, written
// into the statement.
QString stationUnits(QSqlDatabase &db, const FiguresQuery &query)
{
    QStringList terms;
    // The day's number too, so the figures index (led by it) takes the range.
    if (query.sinceUtcMs)
        terms << QStringLiteral("start_utc_ms / 86400000 >= %1 AND start_utc_ms >= %2")
                     .arg(*query.sinceUtcMs / 86400000)
                     .arg(*query.sinceUtcMs);
    if (query.untilUtcMs)
        terms << QStringLiteral("start_utc_ms / 86400000 <= %1 AND start_utc_ms < %2")
                     .arg(*query.untilUtcMs / 86400000)
                     .arg(*query.untilUtcMs);
    if (query.vid && query.pid)
        terms << QStringLiteral("vid = %1 AND pid = %2").arg(*query.vid).arg(*query.pid);
    return QStringLiteral("(SELECT * FROM ") + resultSchema::readableUnits(db) +
           (terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "))) +
           QLatin1Char(')');
}

QVariant boundOrNull(const std::optional<qint64> &value)
{
    return value ? QVariant(static_cast<qlonglong>(*value)) : QVariant(QVariant::LongLong);
}

QVariant idOrNull(const FiguresQuery &query, bool vid)
{
    if (!query.vid || !query.pid)
        return QVariant(QVariant::Int);
    return QVariant(static_cast<int>(vid ? *query.vid : *query.pid));
}

} // namespace

std::optional<double> FigureCounts::firstPassYield() const
{
    return serials > 0 ? std::optional<double>(double(firstPassed) / double(serials)) : std::nullopt;
}

std::optional<double> FigureCounts::finalYield() const
{
    return serials > 0 ? std::optional<double>(double(finalPassed) / double(serials)) : std::nullopt;
}

QStringList Figures::stations() const
{
    QStringList names;
    for (const FigureGroup &group : groups)
        if (!names.contains(group.station))
            names << group.station;
    names.sort();
    return names;
}

namespace resultFigures {

bool fromStation(const QString &storePath, const FiguresQuery &query, Figures *figures, QString *error)
{
    // Read from the window's pool as well as from the command.
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("tkt_figures_%1").arg(++serial);
    *figures = Figures();
    figures->source = storePath;
    figures->query = query;
    bool ok = false;
    {
        QString openError;
        QSqlDatabase db = resultStoreFile::open(name, storePath, true, 5000, &openError);
        QSqlError versionError;
        const int version = db.isOpen() ? resultSchema::storedVersion(db, &versionError) : -1;
        if (!db.isOpen()) {
            if (error)
                *error = openError;
        } else if (version < 0) {
            if (error)
                *error = QStringLiteral("%1 cannot be read: %2").arg(storePath, versionError.text());
        } else if (version == 0) {
            // A tool killed while it made the store leaves it without tables:
            // an empty store, which the next start completes.
            ok = true;
        } else {
            const QString units = stationUnits(db, query);
            const QString untilMs = query.untilUtcMs ? QString::number(*query.untilUtcMs) : QStringLiteral("NULL");
            const Dialect lite = Dialect::Sqlite;
            // A serial's next attempt may be of another platform: its last
            // unit of one platform is then not the last of its units.
            const Statements statements{{},
                                        query.vid && query.pid ? figuresSql::serials(lite, units) : QString(),
                                        figuresSql::groups(lite, units, untilMs),
                                        figuresSql::reasons(lite, units),
                                        figuresSql::keyFailures(lite, units),
                                        figuresSql::criteria(lite, units),
                                        failedUnits(units, query.maxFailedUnits),
                                        {}};
            QString why;
            ok = readAll(db, statements, figures, &why);
            if (!ok && error)
                *error = QStringLiteral("%1 cannot be read: %2").arg(storePath, why);
        }
    }
    resultStoreFile::release(name);
    return ok;
}

bool fromLine(const LineTarget &target, const FiguresQuery &query, Figures *figures, QString *error)
{
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("tkt_line_figures_%1").arg(++serial);
    *figures = Figures();
    figures->source = target.printable;
    figures->query = query;
    if (!target.valid) {
        if (error)
            *error = QStringLiteral("line store %1: %2").arg(target.printable, target.problem);
        return false;
    }
    bool ok = false;
    {
        QString why;
        QSqlDatabase db = lineConnection::open(name, target, &why);
        if (db.isOpen()) {
            // The figures' functions as this tool has them, also on a server
            // that no station of this version has sent units to yet.
            QSqlQuery schema(db);
            schema.exec(QStringLiteral("SET client_min_messages = warning"));
            for (const QString &statement : lineSchema::statements())
                schema.exec(statement);
            const QString arguments =
                QStringLiteral("(to_timestamp(CAST(? AS bigint) / 1000.0), to_timestamp(CAST(? AS bigint) / 1000.0),"
                               " CAST(? AS integer), CAST(? AS integer))");
            auto from = [&](const char *function) {
                return QStringLiteral("SELECT * FROM ") + QLatin1String(function) + arguments;
            };
            const Statements statements{from("results_total"),
                                        {},
                                        from("results_groups"),
                                        from("results_reasons"),
                                        from("results_key_failures"),
                                        from("results_criteria"),
                                        failedUnits(QStringLiteral("results_units") + arguments, query.maxFailedUnits),
                                        {boundOrNull(query.sinceUtcMs), boundOrNull(query.untilUtcMs),
                                         idOrNull(query, true), idOrNull(query, false)}};
            ok = readAll(db, statements, figures, &why);
        }
        if (!ok && error)
            *error = QStringLiteral("line store %1 cannot be read: %2").arg(target.printable, why.simplified());
    }
    resultStoreFile::release(name);
    return ok;
}

QString periodText(const FiguresQuery &query)
{
    // A bound at midnight is a day: the end names the last day it includes.
    auto when = [](qint64 ms, bool end) {
        const QDateTime at = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
        if (at.time() != QTime(0, 0))
            return at.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        return at.addDays(end ? -1 : 0).toString(QStringLiteral("yyyy-MM-dd"));
    };
    if (query.sinceUtcMs && query.untilUtcMs)
        return QStringLiteral("%1 to %2 UTC").arg(when(*query.sinceUtcMs, false), when(*query.untilUtcMs, true));
    if (query.sinceUtcMs)
        return QStringLiteral("from %1 UTC").arg(when(*query.sinceUtcMs, false));
    if (query.untilUtcMs)
        return QStringLiteral("up to %1 UTC").arg(when(*query.untilUtcMs, true));
    return QStringLiteral("all units");
}

QString percentText(const std::optional<double> &fraction)
{
    return fraction ? QStringLiteral("%1 %").arg(*fraction * 100.0, 0, 'f', 1) : QStringLiteral("-");
}

} // namespace resultFigures
