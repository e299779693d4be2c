#include "unitVerdict.h"

#include <algorithm>
#include <iterator>

void UnitVerdict::setCriteria(const VerdictCriteria &criteria)
{
    m_criteria = criteria;
    ++m_revision;
}

void UnitVerdict::setWantedKeys(std::vector<int> qtDecs)
{
    m_wanted = std::set<int>(qtDecs.begin(), qtDecs.end());
    restartKeys();
}

void UnitVerdict::unitStarted(bool hasSerial, bool magnetic)
{
    m_hasSerial = hasSerial;
    m_magnetic = magnetic;
    m_unitFailures.clear();
    m_nextOrder = 0;
    m_anyEvent = false;
    m_keyCheckRun = false;
    m_calibrationStarted = false;
    m_calibrationPassed = false;
    m_calibrationFailed = false;
    m_firmwareSilent = false;
    m_chattered.clear();
    m_chatterFailures.clear();
    restartKeys();
}

void UnitVerdict::setKeySource(bool fromUnit)
{
    m_sourceIsUnit = fromUnit;
    ++m_revision;
}

void UnitVerdict::serialGiven()
{
    m_hasSerial = true;
    ++m_revision;
}

void UnitVerdict::restartKeys()
{
    m_pressed.clear();
    m_done.clear();
    m_keysDone = 0;
    m_held.clear();
    m_maxHeld = 0;
    m_keysFromElsewhere = false;
    ++m_revision;
}

void UnitVerdict::keyPressed(int qtDec)
{
    if (!m_anyEvent) {
        m_anyEvent = true;
        ++m_revision;
    }
    if (!m_sourceIsUnit && !m_keysFromElsewhere) {
        m_keysFromElsewhere = true;
        ++m_revision;
    }
    // A repeat of a held key inserts nothing.
    if (m_held.insert(qtDec).second && int(m_held.size()) > m_maxHeld) {
        m_maxHeld = int(m_held.size());
        ++m_revision;
    }
    if (m_wanted.count(qtDec) != 0 && m_done.count(qtDec) == 0)
        m_pressed.insert(qtDec);
}

void UnitVerdict::keyReleased(int qtDec)
{
    m_held.erase(qtDec);
    // Only a release that follows a press counts: one left over from before a
    // restart does not make a key done.
    if (m_pressed.erase(qtDec) != 0) {
        m_done.insert(qtDec);
        ++m_keysDone;
        ++m_revision;
    }
}

void UnitVerdict::chatter(int qtDec, std::int64_t gapMs)
{
    m_anyEvent = true;
    if (!m_chattered.insert(qtDec).second)
        return;
    if (m_chatterFailures.size() < MaxListedChatter)
        m_chatterFailures.push_back({VerdictReason::Kind::Chattered, {qtDec}, gapMs, 0, m_nextOrder++});
    ++m_revision;
}

void UnitVerdict::keyCheckResult(std::size_t badKeys, std::vector<MatrixPosition> unplaced)
{
    m_anyEvent = true;
    m_keyCheckRun = true;
    // A bad key found once fails the unit, whatever a later run finds; the
    // reason gives the latest failing run's count.
    const std::size_t all = badKeys + unplaced.size();
    if (all > 0) {
        VerdictReason &failure = unitFailure(VerdictReason::Kind::KeyCheckFailed);
        failure.value = std::int64_t(all);
        failure.positions = std::move(unplaced);
    }
    ++m_revision;
}

void UnitVerdict::calibrationAnswer(int status)
{
    switch (status) {
    case 0:
        m_calibrationPassed = true;
        break;
    case 1:
        break;
    case 2:
        m_calibrationFailed = true;
        unitFailure(VerdictReason::Kind::CalibrationFailed);
        break;
    default:
        return;
    }
    m_anyEvent = true;
    m_calibrationStarted = true;
    ++m_revision;
}

void UnitVerdict::firmwareSilent()
{
    if (m_firmwareSilent)
        return;
    m_firmwareSilent = true;
    unitFailure(VerdictReason::Kind::FirmwareSilent);
}

VerdictReason &UnitVerdict::unitFailure(VerdictReason::Kind kind)
{
    ++m_revision;
    for (VerdictReason &reason : m_unitFailures) {
        if (reason.kind == kind)
            return reason;
    }
    m_unitFailures.push_back({kind, {}, 0, 0, m_nextOrder++});
    return m_unitFailures.back();
}

bool UnitVerdict::keyCheckApplies() const
{
    return m_criteria.keyCheck != VerdictCriteria::Check::Off && !m_magnetic;
}

bool UnitVerdict::calibrationApplies() const
{
    return m_criteria.calibration != VerdictCriteria::Check::Off && m_magnetic;
}

bool UnitVerdict::chatterFails() const
{
    return m_criteria.chatter == VerdictCriteria::Chatter::Fail;
}

bool UnitVerdict::failureApplies(VerdictReason::Kind kind) const
{
    // Criteria are looked at now, not when the failure came: a failure of a
    // criterion the station turned off is kept but not told.
    switch (kind) {
    case VerdictReason::Kind::KeyCheckFailed:
        return keyCheckApplies();
    case VerdictReason::Kind::CalibrationFailed:
        return calibrationApplies();
    case VerdictReason::Kind::FirmwareSilent:
        return m_criteria.firmware == VerdictCriteria::Firmware::Required;
    case VerdictReason::Kind::Chattered:
        return chatterFails();
    default:
        return false;
    }
}

std::vector<VerdictReason::Kind> UnitVerdict::openKinds() const
{
    using Kind = VerdictReason::Kind;
    std::vector<Kind> open;
    if (!m_criteria.notUnderstood.empty())
        open.push_back(Kind::SettingsNotUnderstood);
    // A missing label is the station's to mend, so it keeps the unit from
    // passing without failing it.
    if (m_criteria.serial == VerdictCriteria::Serial::Require && !m_hasSerial)
        open.push_back(Kind::NoSerial);
    // Judged on the keys taken, not on the capture now: it goes before the
    // unit ends whenever the unit is unplugged.
    if (m_criteria.source == VerdictCriteria::Source::Unit && m_keysFromElsewhere)
        open.push_back(Kind::KeysNotFromUnit);
    if (m_criteria.keys == VerdictCriteria::Keys::All) {
        if (m_wanted.empty())
            open.push_back(Kind::NoKeysToTest);
        else if (m_keysDone < int(m_wanted.size()))
            open.push_back(Kind::NeverPressed);
    }
    if (m_criteria.minKeysHeld > 0 && m_maxHeld < m_criteria.minKeysHeld)
        open.push_back(Kind::KeysHeld);
    if (keyCheckApplies() && m_criteria.keyCheck == VerdictCriteria::Check::Required && !m_keyCheckRun)
        open.push_back(Kind::KeyCheckNotRun);
    if (calibrationApplies() && !m_calibrationPassed && !m_calibrationFailed) {
        if (m_calibrationStarted)
            open.push_back(Kind::CalibrationUnfinished);
        else if (m_criteria.calibration == VerdictCriteria::Check::Required)
            open.push_back(Kind::CalibrationNotRun);
    }
    return open;
}

bool UnitVerdict::failed() const
{
    for (const VerdictReason &failure : m_unitFailures) {
        if (failureApplies(failure.kind))
            return true;
    }
    return chatterFails() && !m_chattered.empty();
}

std::vector<VerdictReason> UnitVerdict::reasons() const
{
    using Kind = VerdictReason::Kind;
    std::vector<VerdictReason> out;
    for (const VerdictReason &failure : m_unitFailures) {
        if (failureApplies(failure.kind))
            out.push_back(failure);
    }
    if (chatterFails())
        out.insert(out.end(), m_chatterFailures.begin(), m_chatterFailures.end());
    std::stable_sort(out.begin(), out.end(),
                     [](const VerdictReason &a, const VerdictReason &b) { return a.order < b.order; });

    for (Kind kind : openKinds()) {
        if (kind == Kind::SettingsNotUnderstood) {
            for (const std::string &setting : m_criteria.notUnderstood) {
                out.push_back({kind, {}, 0, 0, 0, {}, setting});
            }
            continue;
        }
        VerdictReason open{kind, {}, 0, 0, 0};
        if (kind == Kind::NeverPressed)
            std::set_difference(m_wanted.begin(), m_wanted.end(), m_done.begin(), m_done.end(),
                                std::back_inserter(open.keys));
        if (kind == Kind::KeysHeld) {
            open.value = m_maxHeld;
            open.want = m_criteria.minKeysHeld;
        }
        out.push_back(std::move(open));
    }
    return out;
}

VerdictState UnitVerdict::state() const
{
    if (failed())
        return VerdictState::Failed;
    // Nothing tried is nothing passed, even where no criterion asks for anything.
    return !m_anyEvent || !openKinds().empty() ? VerdictState::Testing : VerdictState::Passed;
}

UnitOutcome UnitVerdict::outcome() const
{
    switch (state()) {
    case VerdictState::Passed:
        return UnitOutcome::Passed;
    case VerdictState::Failed:
        return UnitOutcome::Failed;
    case VerdictState::Testing:
        break;
    }
    // A unit the station could not judge is incomplete, tried or not.
    return m_anyEvent || !m_criteria.notUnderstood.empty() ? UnitOutcome::Incomplete : UnitOutcome::Untested;
}
