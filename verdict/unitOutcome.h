#pragma once

// What the line counts a unit as: the unit's verdict when it ended. A unit
// still being tested at its end is incomplete, or untested when nothing of it
// was tried (no key, no check, no calibration answer).
enum class UnitOutcome
{
    Untested,
    Passed,
    Failed,
    Incomplete
};
