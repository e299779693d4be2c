#pragma once

#include "sampleUnit.h"

#include <vector>

// Units of two stations over two days whose figures are known by
// construction (tests/tst_resultFigures.cpp spells them out):
// - S1 fails, then passes (first pass: no; final: yes);
// - S2 passes on the first day and fails its retest on the second, at
//   another station;
// - S3 fails its calibration run on two keys, with a bounce that the second
//   day's criteria ignore (so not a key it failed on);
// - two units have no serial; one was recorded before operators, criteria
//   and reason kinds were kept.
// The first day starts at firstDayUtcMs (a UTC midnight by default).
namespace handMadeUnits {

constexpr qint64 Hour = 3600 * 1000;
constexpr qint64 May20 = 1779235200000;

constexpr char CriteriaA[] = "keys=all;chatter=fail;chatterMs=30";
constexpr char CriteriaB[] = "keys=all;chatter=ignore;chatterMs=30";

inline UnitRecord unit(const char *id, qint64 start, const char *serial, UnitOutcome outcome, const char *kinds)
{
    UnitRecord u = sampleUnit(id, start);
    u.identity.station = "st-1";
    u.identity.serial = serial;
    u.identity.operatorName = std::string("ann");
    u.criteria = CriteriaA;
    u.outcome = outcome;
    u.reasonKinds = kinds;
    u.chatter.clear();
    u.keyCheckBadKeys.clear();
    u.keysNeverPressed.clear();
    return u;
}

inline std::vector<UnitRecord> firstStation(qint64 firstDayUtcMs = May20)
{
    const qint64 day = firstDayUtcMs;
    UnitRecord old = unit("u0", day + 7 * Hour, "", UnitOutcome::Failed, "");
    old.identity.operatorName.reset();
    old.criteria.clear();
    UnitRecord s1Failed = unit("u1", day + 8 * Hour, "S1", UnitOutcome::Failed, "chatter");
    s1Failed.chatter = {{65, 12}, {65, 3}};
    s1Failed.reasons = "A chattered (12 ms)";
    UnitRecord s1Passed = unit("u2", day + 9 * Hour, "S1", UnitOutcome::Passed, "");
    UnitRecord s2Passed = unit("u3", day + 10 * Hour, "S2", UnitOutcome::Passed, "");
    UnitRecord noSerial = unit("u4", day + 11 * Hour, "", UnitOutcome::Incomplete, "neverPressed");
    noSerial.keysNeverPressed = {68, 69};
    return {old, s1Failed, s1Passed, s2Passed, noSerial};
}

inline std::vector<UnitRecord> secondStation(qint64 firstDayUtcMs = May20)
{
    const qint64 day = firstDayUtcMs + 24 * Hour;
    UnitRecord s3 = unit("u5", day + 8 * Hour, "S3", UnitOutcome::Failed, "calibration");
    s3.calibrationFailedKeys = {4, 22};
    s3.chatter = {{66, 5}};
    s3.reasons = "calibration failed";
    UnitRecord s2Retest = unit("u6", day + 9 * Hour, "S2", UnitOutcome::Failed, "chatter");
    s2Retest.chatter = {{65, 3}, {70, 4}};
    s2Retest.reasons = "A chattered (3 ms); F chattered (4 ms)";
    for (UnitRecord *u : {&s3, &s2Retest}) {
        u->identity.station = "st-2";
        u->identity.pid = 0x7372;
        u->identity.model = "M484";
        u->identity.operatorName = std::string();
        u->criteria = CriteriaB;
    }
    return {s3, s2Retest};
}

inline std::vector<UnitRecord> bothStations(qint64 firstDayUtcMs = May20)
{
    std::vector<UnitRecord> all = firstStation(firstDayUtcMs);
    for (const UnitRecord &u : secondStation(firstDayUtcMs))
        all.push_back(u);
    return all;
}

} // namespace handMadeUnits
