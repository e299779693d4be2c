#include "unitRecorder.h"

#include "reasonKinds.h"
#include "verdictText.h"

#include <algorithm>
#include <cstdio>

namespace {

std::vector<int> sortedUnique(std::vector<int> keys)
{
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

} // namespace

UnitRecorder::UnitRecorder()
{
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
    m_random.seed(seed);
}

std::string UnitRecorder::newUnitId()
{
    // Random (version 4) UUID text: unique across the stations of a line
    // without any coordination between them.
    const std::uint64_t high = (m_random() & 0xFFFFFFFFFFFF0FFFull) | 0x0000000000004000ull;
    const std::uint64_t low = (m_random() & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;
    char text[37] = {};
    std::snprintf(text, sizeof text, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                  static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return text;
}

void UnitRecorder::unitStarted(const UnitIdentity &identity, std::int64_t utcMs, bool magnetic)
{
    UnitRecord record;
    record.unitId = newUnitId();
    record.startUtcMs = utcMs;
    record.identity.station = cleanText(identity.station);
    record.identity.toolVersion = cleanText(identity.toolVersion);
    record.identity.vid = identity.vid;
    record.identity.pid = identity.pid;
    record.identity.manufacturer = cleanText(identity.manufacturer);
    record.identity.product = cleanText(identity.product);
    record.identity.model = cleanText(identity.model);
    record.identity.version = cleanText(identity.version);
    record.identity.linkPath = cleanText(identity.linkPath);
    record.identity.serial = cleanText(identity.serial);
    if (identity.operatorName)
        record.identity.operatorName = cleanText(*identity.operatorName);
    m_verdict.unitStarted(!record.identity.serial.empty(), magnetic);
    m_record = std::move(record);
    m_pressed.clear();
    m_calibrationKeys.clear();
    m_lastRelease.clear();
    m_capturesUsed.clear();
}

void UnitRecorder::setCaptureSource(const std::string &text, bool unitOnly)
{
    m_captureNow = cleanText(text);
    m_verdict.setKeySource(unitOnly);
}

void UnitRecorder::serialGiven(const std::string &serial)
{
    const std::string clean = cleanText(serial);
    if (!m_record || clean.empty() || !m_record->identity.serial.empty())
        return;
    m_record->identity.serial = clean;
    m_verdict.serialGiven();
}

bool UnitRecorder::keyPressed(int qtDec, std::int64_t eventTimeUs)
{
    if (!m_record)
        return false;
    if (m_pressed.size() < MaxDistinctKeys)
        m_pressed.insert(qtDec);
    if (std::find(m_capturesUsed.begin(), m_capturesUsed.end(), m_captureNow) == m_capturesUsed.end() &&
        m_capturesUsed.size() < MaxCaptures)
        m_capturesUsed.push_back(m_captureNow);
    m_verdict.keyPressed(qtDec);

    const auto released = m_lastRelease.find(qtDec);
    if (released == m_lastRelease.end())
        return false;
    const std::int64_t gapUs = eventTimeUs - released->second;
    // The release is used up: an automatic repeat of this press that follows
    // is not a second bounce.
    m_lastRelease.erase(released);
    if (gapUs < 0 || gapUs >= std::int64_t(m_chatterThresholdMs) * 1000)
        return false;
    ++m_record->chatterCount;
    if (m_record->chatter.size() < UnitRecord::MaxChatterEvents)
        m_record->chatter.push_back({qtDec, gapUs / 1000});
    m_verdict.chatter(qtDec, gapUs / 1000);
    return m_verdict.criteria().chatter == VerdictCriteria::Chatter::Fail;
}

void UnitRecorder::keyReleased(int qtDec, std::int64_t eventTimeUs)
{
    if (!m_record)
        return;
    if (m_lastRelease.size() < MaxDistinctKeys || m_lastRelease.count(qtDec))
        m_lastRelease[qtDec] = eventTimeUs;
    m_verdict.keyReleased(qtDec);
}

void UnitRecorder::setVariantKeys(std::vector<int> qtDecs)
{
    if (qtDecs.size() > MaxDistinctKeys)
        qtDecs.resize(MaxDistinctKeys);
    m_variantKeys = sortedUnique(std::move(qtDecs));
    m_verdict.setWantedKeys(m_variantKeys);
}

void UnitRecorder::setKeyNames(std::map<int, std::string> names)
{
    m_keyNames = std::move(names);
}

std::string UnitRecorder::keyName(int qtDec) const
{
    const auto found = m_keyNames.find(qtDec);
    return found != m_keyNames.end() && !found->second.empty() ? found->second : "key " + std::to_string(qtDec);
}

void UnitRecorder::restartKeys()
{
    if (m_record)
        m_verdict.restartKeys();
}

void UnitRecorder::firmwareSilent()
{
    if (m_record)
        m_verdict.firmwareSilent();
}

void UnitRecorder::keyCheckResult(std::vector<int> badKeyDecs, std::vector<MatrixPosition> unplaced)
{
    if (!m_record)
        return;
    if (badKeyDecs.size() > MaxDistinctKeys)
        badKeyDecs.resize(MaxDistinctKeys);
    if (unplaced.size() > MaxDistinctKeys)
        unplaced.resize(MaxDistinctKeys);
    m_record->keyCheckRun = true;
    m_record->keyCheckBadKeys = sortedUnique(std::move(badKeyDecs));
    m_verdict.keyCheckResult(m_record->keyCheckBadKeys.size(), std::move(unplaced));
}

void UnitRecorder::calibrationAnswer(int status, std::vector<int> keyDecs)
{
    if (!m_record)
        return;
    m_verdict.calibrationAnswer(status);
    switch (status) {
    case 1:
        for (int key : keyDecs) {
            if (m_calibrationKeys.size() >= MaxDistinctKeys)
                break;
            m_calibrationKeys.insert(key);
        }
        break;
    case 0:
        m_record->verdict = Verdict::Successful;
        break;
    case 2:
        m_record->verdict = Verdict::Failed;
        if (keyDecs.size() > MaxDistinctKeys)
            keyDecs.resize(MaxDistinctKeys);
        m_record->calibrationFailedKeys = sortedUnique(std::move(keyDecs));
        break;
    default:
        break;
    }
}

std::optional<UnitRecord> UnitRecorder::unitEnded(UnitEnd how, std::int64_t utcMs)
{
    std::optional<UnitRecord> record = snapshot(how, utcMs);
    m_record.reset();
    m_pressed.clear();
    m_calibrationKeys.clear();
    m_lastRelease.clear();
    m_capturesUsed.clear();
    return record;
}

std::optional<UnitRecord> UnitRecorder::snapshot(UnitEnd how, std::int64_t utcMs) const
{
    if (!m_record)
        return std::nullopt;
    UnitRecord record = *m_record;
    record.endUtcMs = utcMs;
    record.ended = how;
    record.outcome = m_verdict.outcome();
    record.reasons =
        cleanText(describeReasons(m_verdict.reasons(), VerdictWords(), [this](int qtDec) { return keyName(qtDec); }));
    record.reasonKinds = reasonKinds::join(m_verdict.reasons());
    // The threshold the recorder judged chatter by, whatever the criteria said.
    VerdictCriteria judgedBy = m_verdict.criteria();
    judgedBy.chatterMs = m_chatterThresholdMs;
    record.criteria = cleanText(canonicalText(judgedBy));
    record.maxKeysHeld = m_verdict.maxKeysHeld();
    // What judged the keys; with none taken, what would have.
    for (const std::string &capture : m_capturesUsed.empty() ? std::vector<std::string>{m_captureNow} : m_capturesUsed)
        record.capture += (record.capture.empty() ? "" : "; ") + capture;
    record.capture = cleanText(record.capture);
    record.keysPressed.assign(m_pressed.begin(), m_pressed.end());
    record.calibrationKeys.assign(m_calibrationKeys.begin(), m_calibrationKeys.end());
    std::set_difference(m_variantKeys.begin(), m_variantKeys.end(), record.keysPressed.begin(),
                        record.keysPressed.end(), std::back_inserter(record.keysNeverPressed));
    return record;
}

void UnitRecorder::setChatterThresholdMs(int ms)
{
    m_chatterThresholdMs = ms < 0 ? 0 : ms;
}
