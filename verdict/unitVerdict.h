#pragma once

#include "unitOutcome.h"
#include "verdictCriteria.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

enum class VerdictState
{
    Testing,
    Passed,
    Failed
};

// A place in the keyboard's key matrix as the firmware's masks name it,
// counted from 0: bit `row` of the mask of column `column`.
struct MatrixPosition
{
    int row = 0;
    int column = 0;
    bool operator==(const MatrixPosition &other) const { return row == other.row && column == other.column; }
};

// One reason a unit has not passed: a failure, which stays until the unit is
// unplugged, or a criterion still open.
struct VerdictReason
{
    enum class Kind
    {
        // failures
        Chattered,             // keys[0] bounced, value: the gap in ms
        KeyCheckFailed,        // value: the number of bad keys; positions: those not on the layout
        CalibrationFailed,     // the production run ended failed
        FirmwareSilent,        // writes failed or hung for FirmwareSilentMs
                               // open
        SettingsNotUnderstood, // setting: "KEY=VALUE" as written; the station's fault, not the unit's
        NoSerial,              // serial=require and none given yet
        KeysNotFromUnit,       // source=unit, but keys were or are taken from every keyboard
        NoKeysToTest,          // keys=all, but the variant gave no keys (no layout)
        NeverPressed,          // keys: wanted keys not yet pressed and released
        KeysHeld,              // value: most held so far, want: the criterion
        KeyCheckNotRun,        // keyCheck=required
        CalibrationNotRun,     // calibration=required
        CalibrationUnfinished, // a run is under way
    };
    Kind kind;
    std::vector<int> keys;
    std::int64_t value = 0;
    int want = 0;
    unsigned order = 0; // failures: when it happened, among the unit's failures
    std::vector<MatrixPosition> positions;
    std::string setting;
};

// Decides one unit's pass or fail from its events and the station's criteria,
// the moment it can: failed as soon as a criterion cannot be met any more,
// passed as soon as every criterion is met. Plain C++ without the toolkit: it
// runs on every key, so it keeps counters rather than walking the keys.
//
// A restart of the key test (Ctrl+Space, a variant click) clears the keys done
// and the most keys held, and nothing else: a fault seen on a unit (chatter, a
// bad key, a failed calibration, a silent firmware) belongs to the unit until
// it is unplugged, or an operator could restart a faulty unit into a pass.
class UnitVerdict
{
public:
    // A keyboard whose writes fail or hang this long has stopped taking reports.
    static constexpr int FirmwareSilentMs = 3000;
    // Keys that chattered past this many still fail the unit but are not listed.
    static constexpr std::size_t MaxListedChatter = 32;

    void setCriteria(const VerdictCriteria &criteria);
    const VerdictCriteria &criteria() const { return m_criteria; }
    // The keys of the chosen variant that reach the system; restarts the keys done.
    void setWantedKeys(std::vector<int> qtDecs);

    // A new unit: everything of the last one is forgotten. magnetic: the
    // platform runs a calibration instead of the key check, so the key check
    // criterion does not apply to it and the calibration one applies to it alone.
    void unitStarted(bool hasSerial, bool magnetic);
    void restartKeys();
    // A serial scanned or typed while the unit is connected.
    void serialGiven();
    // Whether the keys taken from now on are the unit's own (its input nodes)
    // or every keyboard's (the display grab, the hook).
    void setKeySource(bool fromUnit);

    void keyPressed(int qtDec);
    void keyReleased(int qtDec);
    void chatter(int qtDec, std::int64_t gapMs);
    // badKeys: the bad keys placed on the layout; unplaced: bad bits of the
    // masks that name no key the tool knows. Both fail the unit.
    void keyCheckResult(std::size_t badKeys, std::vector<MatrixPosition> unplaced = {});
    // Status 1: the run goes on; 0: passed; 2: failed; others are ignored.
    void calibrationAnswer(int status);
    void firmwareSilent();

    VerdictState state() const;
    // Failures in the order they happened, then what is still open.
    std::vector<VerdictReason> reasons() const;
    // What the line counts the unit as if it ended now.
    UnitOutcome outcome() const;

    int keysWanted() const { return int(m_wanted.size()); }
    int keysDone() const { return m_keysDone; }
    int maxKeysHeld() const { return m_maxHeld; }
    // Keys of this unit that chattered.
    const std::set<int> &chatteredKeys() const { return m_chattered; }
    // Changes whenever anything the verdict shows may have changed, so a
    // caller redraws only then.
    unsigned revision() const { return m_revision; }

private:
    bool keyCheckApplies() const;
    bool calibrationApplies() const;
    bool chatterFails() const;
    bool failureApplies(VerdictReason::Kind kind) const;
    std::vector<VerdictReason::Kind> openKinds() const;
    bool failed() const;
    // The unit's failure of this kind, added the first time.
    VerdictReason &unitFailure(VerdictReason::Kind kind);

    VerdictCriteria m_criteria;
    std::set<int> m_wanted;
    bool m_magnetic = false;
    bool m_hasSerial = false;

    // Keys done and most held: what a restart of the key test clears.
    std::set<int> m_pressed; // wanted keys that went down, waiting for their release
    std::set<int> m_done;    // wanted keys pressed and released
    int m_keysDone = 0;
    std::set<int> m_held;
    int m_maxHeld = 0;
    // Whole unit from here on.
    std::set<int> m_chattered;
    std::vector<VerdictReason> m_chatterFailures; // the first bounce of each key, in order

    // Each kind of failure once, in order.
    std::vector<VerdictReason> m_unitFailures;
    unsigned m_nextOrder = 0;
    bool m_anyEvent = false;
    bool m_keyCheckRun = false;
    bool m_calibrationStarted = false;
    bool m_calibrationPassed = false;
    bool m_calibrationFailed = false;
    bool m_firmwareSilent = false;
    bool m_sourceIsUnit = false;
    bool m_keysFromElsewhere = false; // a key done since the restart came from every keyboard's capture

    unsigned m_revision = 0;
};
