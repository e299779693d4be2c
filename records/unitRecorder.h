#pragma once

#include "unitRecord.h"
#include "unitVerdict.h"

#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

// Builds one UnitRecord from what the window sees: the keyboard's connection,
// key events, the key check, calibration answers and the unit's end. Holds no
// clock of its own: every time comes in with its event, key times from the
// capture backend (the X server's, the hook record's, the kernel's), so chatter is judged
// on when the keys moved, not on when the GUI got round to them.
//
// The unit's verdict is decided here too, from the same events: it is shown
// while the unit runs and kept as the record's outcome and reasons at its end.
//
// Events while no unit runs are ignored, except the variant's keys, the key
// names and the criteria, which stay with the window from one unit to the next.
class UnitRecorder
{
public:
    static constexpr int DefaultChatterThresholdMs = 30;
    // A keyboard has a few hundred keys; anything past this is not a keyboard.
    static constexpr std::size_t MaxDistinctKeys = 4096;
    // Sources named in one record; capture changes a few times a unit at most.
    static constexpr std::size_t MaxCaptures = 8;

    UnitRecorder();

    // Ends nothing: a unit still running when another starts is dropped, as
    // the window always ends one before it connects the next. magnetic: the
    // platform runs the calibration instead of the key check.
    void unitStarted(const UnitIdentity &identity, std::int64_t utcMs, bool magnetic = false);
    // Key times are the capture's own, in microseconds. True when the press
    // was chatter that fails the unit: the key is to be shown failed.
    bool keyPressed(int qtDec, std::int64_t eventTimeUs);
    void keyReleased(int qtDec, std::int64_t eventTimeUs);
    // The keys the verdict wants pressed; also restarts the key part.
    void setVariantKeys(std::vector<int> qtDecs);
    // Names of keys as the record's reasons give them; others are "key <qtDec>".
    void setKeyNames(std::map<int, std::string> names);
    void setCriteria(const VerdictCriteria &criteria) { m_verdict.setCriteria(criteria); }
    // The key test starts again (Ctrl+Space): the verdict's keys done and most
    // keys held restart, its faults stay; what the record keeps of the keys is
    // the whole unit's.
    void restartKeys();
    // What the keys are taken from now (the unit's input nodes, "display",
    // "hook"; empty: nothing), and whether that is the unit alone. Kept from
    // one unit to the next, as capture is.
    void setCaptureSource(const std::string &text, bool unitOnly);
    // The serial scanned or typed while the unit is connected; only the first counts.
    void serialGiven(const std::string &serial);
    // The keyboard stopped taking reports.
    void firmwareSilent();
    // The last key check of the unit is the record's; any bad key fails the
    // unit, also one the layout cannot place (unplaced, named by position).
    void keyCheckResult(std::vector<int> badKeyDecs, std::vector<MatrixPosition> unplaced = {});
    // Status 1 names keys as the run goes; 0 ends it successful, 2 failed,
    // with the keys of the key matrix the run did not pass; any other status
    // is not the firmware's and is ignored.
    void calibrationAnswer(int status, std::vector<int> keyDecs);
    std::optional<UnitRecord> unitEnded(UnitEnd how, std::int64_t utcMs);
    // The running unit as unitEnded(how, utcMs) would give it, the unit
    // running on: what is kept on disk while it is tested.
    std::optional<UnitRecord> snapshot(UnitEnd how, std::int64_t utcMs) const;

    // A press counts as chatter when it comes less than this after the same
    // key's last release: a gap equal to the threshold is a real second press.
    // A gap below zero (times out of order) is never chatter; 0 turns it off.
    void setChatterThresholdMs(int ms);
    int chatterThresholdMs() const { return m_chatterThresholdMs; }

    bool running() const { return m_record.has_value(); }
    // The running unit's verdict (that of the last unit once it ended).
    const UnitVerdict &verdict() const { return m_verdict; }
    std::string keyName(int qtDec) const;

private:
    std::string newUnitId();

    std::optional<UnitRecord> m_record;
    std::set<int> m_pressed;
    std::set<int> m_calibrationKeys;
    std::map<int, std::int64_t> m_lastRelease; // releases not yet followed by a press
    std::vector<int> m_variantKeys;
    std::string m_captureNow;
    std::vector<std::string> m_capturesUsed; // sources that took keys of this unit, in order
    std::map<int, std::string> m_keyNames;
    UnitVerdict m_verdict;
    int m_chatterThresholdMs = DefaultChatterThresholdMs;
    std::mt19937_64 m_random;
};
