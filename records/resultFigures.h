#pragma once

#include "lineTarget.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>
#include <vector>

// The line's three questions, answered from a store for a period: how many
// units passed the first time, what fails most, and which keys fail. Every
// number is the store's own (figuresSql), read the same from the station's
// SQLite and from the line store's PostgreSQL; the station's total is its
// groups' added up.
struct FiguresQuery
{
    std::optional<qint64> sinceUtcMs; // units that started at or after this
    std::optional<qint64> untilUtcMs; // ... and before this
    std::optional<quint16> vid;       // with pid: one platform only
    std::optional<quint16> pid;
    int maxFailedUnits = 0; // failed units listed with their reasons, newest last
};

struct FigureCounts
{
    qint64 units = 0;
    qint64 serials = 0;     // unique serials among them
    qint64 firstPassed = 0; // serials whose first attempt is among them and passed
    qint64 finalPassed = 0; // serials whose last attempt in the period is among them and passed
    qint64 retests = 0;     // units that were not their serial's first attempt
    qint64 passed = 0;
    qint64 failed = 0;
    qint64 incomplete = 0;
    qint64 untested = 0;
    qint64 firstStartUtcMs = 0; // of the first and last unit; 0 without units
    qint64 lastStartUtcMs = 0;

    // Fractions of the serials; none without serials.
    std::optional<double> firstPassYield() const;
    std::optional<double> finalYield() const;
};

struct FigureGroup
{
    QString day; // UTC, yyyy-MM-dd
    QString station;
    quint16 vid = 0;
    quint16 pid = 0;
    QString model;
    std::optional<QString> operatorName; // none: recorded before stations asked
    FigureCounts counts;
};

struct ReasonCount
{
    QString kind; // a reasonKinds word, or "unrecorded"
    qint64 units = 0;
};

struct KeyFailureCount
{
    QString kind; // "chatter" and "neverPressed": key is a page key; "keyCheck", "calibration": a HID usage
    int key = 0;
    qint64 units = 0;
};

struct CriteriaCount
{
    std::optional<QString> criteria; // none: units recorded before criteria were kept
    qint64 units = 0;
};

struct FailedUnit
{
    QString unitId;
    qint64 startUtcMs = 0;
    QString station;
    QString serial;
    int attempt = 0;
    QString reasons;
};

struct Figures
{
    QString source; // the store's path, or the line store's URL without a password
    FiguresQuery query;
    FigureCounts total;
    std::vector<FigureGroup> groups;     // by day, station, product and operator
    std::vector<ReasonCount> reasons;    // most first
    std::vector<KeyFailureCount> keys;   // most first
    std::vector<CriteriaCount> criteria; // in the order they came into use
    std::vector<FailedUnit> failedUnits; // at most query.maxFailedUnits, oldest first

    QStringList stations() const;
};

namespace resultFigures {

// From the station store at storePath, read-only (it runs beside a window
// that writes). False with the reason when the store cannot be read.
bool fromStation(const QString &storePath, const FiguresQuery &query, Figures *figures, QString *error);
// From the line store, through the functions its schema holds.
bool fromLine(const LineTarget &target, const FiguresQuery &query, Figures *figures, QString *error);

// The period as a person reads it: "2026-05-20 to 2026-05-21", "from ...",
// "all units".
QString periodText(const FiguresQuery &query);
// "87.5 %", or "-" without a value.
QString percentText(const std::optional<double> &fraction);

} // namespace resultFigures
