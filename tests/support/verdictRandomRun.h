#pragma once

// One random sequence of what a station sees of its units, driving the unit
// recorder and its verdict, checked after every step against the verdict's
// rules written plainly here, apart from the code that keeps them:
//   - a fault once seen on a unit stays with it (chatter, a bad key, a failed
//     calibration, a silent firmware), through restarts and variant changes;
//   - PASS only when every criterion holds;
//   - the record's outcome and reasons are the verdict's (what the band shows)
//     at the unit's end.
// A sequence is its seed: the same seed replays the same sequence.

#include "unitRecorder.h"
#include "verdictText.h"

#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace verdictRandom {

struct Outcome
{
    std::string violation; // empty: every rule held
    int steps = 0;
    int units = 0;
};

namespace detail {

// What the rules need to know of the unit so far, kept by the plainest means.
struct Model
{
    VerdictCriteria criteria;
    std::set<int> wanted;
    bool magnetic = false;
    bool serial = false;
    bool anyEvent = false;
    // Faults of the unit, whatever the criteria say of them.
    bool chattered = false, badKey = false, calibrationFailed = false, silent = false;
    bool calibrationStarted = false, calibrationPassed = false, keyCheckRun = false;
    // Since the key test last started.
    std::set<int> down, done, held;
    int maxHeld = 0;
    bool keysFromElsewhere = false;
    std::map<int, std::int64_t> lastRelease;

    bool fault() const
    {
        return (chattered && criteria.chatter == VerdictCriteria::Chatter::Fail) ||
               (badKey && !magnetic && criteria.keyCheck != VerdictCriteria::Check::Off) ||
               (calibrationFailed && magnetic && criteria.calibration != VerdictCriteria::Check::Off) ||
               (silent && criteria.firmware == VerdictCriteria::Firmware::Required);
    }

    // Every criterion holds (a fault aside).
    bool allHold() const
    {
        using C = VerdictCriteria;
        if (!criteria.notUnderstood.empty() || !anyEvent)
            return false;
        if (criteria.serial == C::Serial::Require && !serial)
            return false;
        if (criteria.keys == C::Keys::All && (wanted.empty() || done != wanted))
            return false;
        if (maxHeld < criteria.minKeysHeld)
            return false;
        if (!magnetic && criteria.keyCheck == C::Check::Required && !keyCheckRun)
            return false;
        // A run under way is waited for; under required, one must have run.
        if (magnetic && criteria.calibration != C::Check::Off && !calibrationPassed && !calibrationFailed &&
            (calibrationStarted || criteria.calibration == C::Check::Required))
            return false;
        if (source() && keysFromElsewhere)
            return false;
        return true;
    }

    bool source() const { return criteria.source == VerdictCriteria::Source::Unit; }

    void restart()
    {
        down.clear();
        done.clear();
        held.clear();
        maxHeld = 0;
        keysFromElsewhere = false;
    }
};

inline std::string describe(const UnitRecorder &recorder)
{
    return describeReasons(recorder.verdict().reasons(), VerdictWords(),
                           [&recorder](int qtDec) { return recorder.keyName(qtDec); });
}

} // namespace detail

inline Outcome run(std::uint64_t seed)
{
    using detail::Model;
    std::mt19937_64 random(seed);
    auto below = [&random](int n) { return int(random() % std::uint64_t(n)); };
    auto chance = [&](int percent) { return below(100) < percent; };

    Outcome out;
    UnitRecorder recorder;
    Model model;
    std::int64_t nowUs = 1000000;
    bool sourceIsUnit = chance(50);
    recorder.setCaptureSource(sourceIsUnit ? "/dev/input/event5" : "display", sourceIsUnit);
    std::map<int, std::string> names;
    for (int k = 1; k <= 12; ++k)
        names[k] = "K" + std::to_string(k);
    recorder.setKeyNames(names);

    auto pickVariant = [&]() {
        std::vector<int> keys;
        for (int k = 1; k <= 12; ++k)
            if (chance(40))
                keys.push_back(k);
        recorder.setVariantKeys(keys);
        model.wanted = std::set<int>(keys.begin(), keys.end());
        model.restart();
    };
    auto startUnit = [&]() {
        // The station's settings, now and then with a word it does not know.
        static const char *const settings[][4] = {
            {"keys", "all", "none", "some"},        {"chatter", "fail", "ignore", "maybe"},
            {"keyCheck", "ifRun", "REQUIRED", "x"}, {"calibration", "ifrun", "require", "off"},
            {"serial", "off", "ask", "required"},   {"firmware", "required", "off", "on"},
            {"source", "any", "unit", "usb"},       {"minKeysHeld", "0", "2", "999"},
            {"chatterMs", "30", "0", "5"},          {"colour", "red", "red", "red"},
        };
        SettingValues values;
        for (const auto &setting : settings) {
            if (std::string(setting[0]) == "colour" ? chance(3) : chance(35))
                values.emplace_back(setting[0], setting[1 + below(chance(85) ? 2 : 3)]);
        }
        model.criteria = verdictCriteriaFrom(values);
        recorder.setCriteria(model.criteria);
        recorder.setChatterThresholdMs(model.criteria.chatterMs);
        model.magnetic = chance(30);
        model.serial = chance(50);
        UnitIdentity identity;
        identity.serial = model.serial ? "SN-" + std::to_string(out.units) : std::string();
        recorder.unitStarted(identity, nowUs / 1000, model.magnetic);
        const Model keep = model;
        model = Model();
        model.criteria = keep.criteria;
        model.wanted = keep.wanted;
        model.magnetic = keep.magnetic;
        model.serial = keep.serial;
        ++out.units;
    };
    // The record at the end says what the verdict said just before it.
    auto endUnit = [&](UnitEnd how) -> std::string {
        const VerdictState state = recorder.verdict().state();
        const std::string reasons = detail::describe(recorder);
        const UnitOutcome expected = state == VerdictState::Passed                             ? UnitOutcome::Passed
                                     : state == VerdictState::Failed                           ? UnitOutcome::Failed
                                     : model.anyEvent || !model.criteria.notUnderstood.empty() ? UnitOutcome::Incomplete
                                                                                               : UnitOutcome::Untested;
        const std::optional<UnitRecord> record = recorder.unitEnded(how, nowUs / 1000);
        if (!record)
            return "no record at the unit's end";
        if (record->outcome != expected)
            return std::string("record outcome ") + std::to_string(int(record->outcome)) + " is not the verdict's " +
                   std::to_string(int(expected));
        if (record->reasons != cleanText(reasons))
            return "record reasons \"" + record->reasons + "\" are not the verdict's \"" + reasons + "\"";
        return std::string();
    };

    pickVariant();
    startUnit();
    const int steps = 40 + below(160);
    for (int step = 0; step < steps; ++step) {
        out.steps = step + 1;
        const int k = 1 + below(12);
        nowUs += chance(5) ? -below(5000) : below(80000);
        std::string what;
        switch (below(15)) {
        case 0:
        case 1:
        case 2:
            what = "press";
            model.anyEvent = true;
            if (!sourceIsUnit)
                model.keysFromElsewhere = true;
            if (model.held.insert(k).second)
                model.maxHeld = std::max(model.maxHeld, int(model.held.size()));
            if (model.wanted.count(k) && !model.done.count(k))
                model.down.insert(k);
            if (model.lastRelease.count(k)) {
                const std::int64_t gap = nowUs - model.lastRelease[k];
                if (gap >= 0 && gap < std::int64_t(model.criteria.chatterMs) * 1000)
                    model.chattered = true;
                model.lastRelease.erase(k);
            }
            recorder.keyPressed(k, nowUs);
            break;
        case 3:
        case 4:
        case 5:
            what = "release";
            model.held.erase(k);
            if (model.down.erase(k))
                model.done.insert(k);
            model.lastRelease[k] = nowUs;
            recorder.keyReleased(k, nowUs);
            break;
        case 6:
            what = "restart";
            model.restart();
            recorder.restartKeys();
            break;
        case 7:
            what = "variant";
            pickVariant();
            break;
        case 8: {
            what = "key check";
            std::vector<int> bad;
            std::vector<MatrixPosition> unplaced;
            if (chance(30))
                bad.push_back(4 + below(20));
            if (chance(15))
                unplaced.push_back({below(8), below(22)});
            model.anyEvent = true;
            model.keyCheckRun = true;
            model.badKey = model.badKey || !bad.empty() || !unplaced.empty();
            recorder.keyCheckResult(bad, unplaced);
            break;
        }
        case 9: {
            what = "calibration";
            const int status = below(4);
            if (status <= 2)
                model.anyEvent = model.calibrationStarted = true;
            model.calibrationPassed = model.calibrationPassed || status == 0;
            model.calibrationFailed = model.calibrationFailed || status == 2;
            recorder.calibrationAnswer(status, {});
            break;
        }
        case 10:
            what = "firmware silent";
            model.silent = true;
            recorder.firmwareSilent();
            break;
        case 11:
            what = "serial";
            if (!model.serial) {
                model.serial = true;
                recorder.serialGiven("SCAN-" + std::to_string(step));
            }
            break;
        case 12:
            what = "capture";
            sourceIsUnit = !sourceIsUnit;
            recorder.setCaptureSource(sourceIsUnit ? "/dev/input/event5" : "display", sourceIsUnit);
            break;
        case 13:
        case 14: {
            if (!chance(25))
                continue;
            what = "link drop";
            const std::string wrong = endUnit(chance(50) ? UnitEnd::LinkLost : UnitEnd::Removal);
            if (!wrong.empty()) {
                out.violation = "step " + std::to_string(step) + " (" + what + "): " + wrong;
                return out;
            }
            startUnit();
            break;
        }
        }

        const VerdictState state = recorder.verdict().state();
        std::string wrong;
        if (model.fault() && state != VerdictState::Failed)
            wrong = "a fault seen on the unit is gone";
        else if (state == VerdictState::Passed && !model.allHold())
            wrong = "PASS while a criterion does not hold";
        else if (state == VerdictState::Failed && !model.fault())
            wrong = "FAIL without a fault";
        else if (state == VerdictState::Testing && !model.fault() && model.allHold())
            wrong = "still testing while every criterion holds";
        if (!wrong.empty()) {
            out.violation = "step " + std::to_string(step) + " (" + what + "): " + wrong +
                            "; verdict: " + detail::describe(recorder) + "; criteria: " + canonicalText(model.criteria);
            return out;
        }
    }
    const std::string wrong = endUnit(UnitEnd::Close);
    if (!wrong.empty())
        out.violation = "at the end: " + wrong;
    return out;
}

} // namespace verdictRandom
