#include "unitRecord.h"

#include <charconv>
#include <cstring>

namespace {

// Walks space-separated words of text, at most maxWords of them.
template <typename Fn> void forEachWord(const std::string &text, std::size_t maxWords, Fn fn)
{
    std::size_t pos = 0;
    std::size_t seen = 0;
    while (pos < text.size() && seen < maxWords) {
        const std::size_t start = text.find_first_not_of(' ', pos);
        if (start == std::string::npos)
            break;
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        fn(text.data() + start, text.data() + end);
        ++seen;
        pos = end;
    }
}

template <typename T> bool parseWhole(const char *first, const char *last, T &value)
{
    const auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last;
}

} // namespace

bool operator==(const UnitIdentity &a, const UnitIdentity &b)
{
    return a.station == b.station && a.toolVersion == b.toolVersion && a.vid == b.vid && a.pid == b.pid &&
           a.manufacturer == b.manufacturer && a.product == b.product && a.model == b.model && a.version == b.version &&
           a.linkPath == b.linkPath && a.serial == b.serial && a.operatorName == b.operatorName;
}

bool operator==(const ChatterEvent &a, const ChatterEvent &b)
{
    return a.qtDec == b.qtDec && a.gapMs == b.gapMs;
}

bool operator==(const UnitRecord &a, const UnitRecord &b)
{
    return a.unitId == b.unitId && a.startUtcMs == b.startUtcMs && a.endUtcMs == b.endUtcMs &&
           a.identity == b.identity && a.keysPressed == b.keysPressed && a.keysNeverPressed == b.keysNeverPressed &&
           a.chatter == b.chatter && a.chatterCount == b.chatterCount && a.keyCheckRun == b.keyCheckRun &&
           a.keyCheckBadKeys == b.keyCheckBadKeys && a.calibrationKeys == b.calibrationKeys &&
           a.calibrationFailedKeys == b.calibrationFailedKeys && a.verdict == b.verdict && a.ended == b.ended &&
           a.outcome == b.outcome && a.reasons == b.reasons && a.maxKeysHeld == b.maxKeysHeld &&
           a.capture == b.capture && a.reasonKinds == b.reasonKinds && a.criteria == b.criteria &&
           a.attempt == b.attempt;
}

const char *verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Successful:
        return "successful";
    case Verdict::Failed:
        return "failed";
    case Verdict::None:
        break;
    }
    return "none";
}

const char *unitEndName(UnitEnd end)
{
    switch (end) {
    case UnitEnd::Removal:
        return "removal";
    case UnitEnd::LinkLost:
        return "link lost";
    case UnitEnd::Selection:
        return "selection";
    case UnitEnd::Crash:
        return "crash";
    case UnitEnd::Close:
        break;
    }
    return "close";
}

const char *outcomeName(UnitOutcome outcome)
{
    switch (outcome) {
    case UnitOutcome::Passed:
        return "passed";
    case UnitOutcome::Failed:
        return "failed";
    case UnitOutcome::Incomplete:
        return "incomplete";
    case UnitOutcome::Untested:
        break;
    }
    return "untested";
}

bool verdictFromName(const std::string &name, Verdict &verdict)
{
    for (Verdict v : {Verdict::None, Verdict::Successful, Verdict::Failed}) {
        if (name == verdictName(v)) {
            verdict = v;
            return true;
        }
    }
    return false;
}

bool outcomeFromName(const std::string &name, UnitOutcome &outcome)
{
    for (UnitOutcome o : {UnitOutcome::Untested, UnitOutcome::Passed, UnitOutcome::Failed, UnitOutcome::Incomplete}) {
        if (name == outcomeName(o)) {
            outcome = o;
            return true;
        }
    }
    return false;
}

bool unitEndFromName(const std::string &name, UnitEnd &end)
{
    for (UnitEnd e : {UnitEnd::Removal, UnitEnd::LinkLost, UnitEnd::Selection, UnitEnd::Close, UnitEnd::Crash}) {
        if (name == unitEndName(e)) {
            end = e;
            return true;
        }
    }
    return false;
}

std::string cleanText(const std::string &text)
{
    std::string out;
    out.reserve(text.size() < MaxTextBytes ? text.size() : MaxTextBytes);
    for (char c : text) {
        if (c == '\0')
            continue;
        if (out.size() == MaxTextBytes)
            break;
        out.push_back(c);
    }
    // A cut inside a multi-byte sequence would leave half a character: drop
    // the continuation bytes and the lead byte they belong to.
    if (out.size() == MaxTextBytes) {
        std::size_t lead = out.size();
        while (lead > 0 && (static_cast<unsigned char>(out[lead - 1]) & 0xC0) == 0x80)
            --lead;
        if (lead > 0 && (static_cast<unsigned char>(out[lead - 1]) & 0x80)) {
            const unsigned char c = static_cast<unsigned char>(out[lead - 1]);
            const std::size_t need = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
            if (out.size() - (lead - 1) < need)
                out.resize(lead - 1);
        }
    }
    return out;
}

std::string joinKeys(const std::vector<int> &keys)
{
    std::string out;
    for (int key : keys) {
        if (!out.empty())
            out.push_back(' ');
        out += std::to_string(key);
    }
    return out;
}

std::vector<int> splitKeys(const std::string &text, std::size_t maxKeys)
{
    std::vector<int> keys;
    forEachWord(text, maxKeys, [&](const char *first, const char *last) {
        int key = 0;
        if (parseWhole(first, last, key))
            keys.push_back(key);
    });
    return keys;
}

std::string joinChatter(const std::vector<ChatterEvent> &events)
{
    std::string out;
    for (const ChatterEvent &event : events) {
        if (!out.empty())
            out.push_back(' ');
        out += std::to_string(event.qtDec) + ':' + std::to_string(event.gapMs);
    }
    return out;
}

std::vector<ChatterEvent> splitChatter(const std::string &text, std::size_t maxEvents)
{
    std::vector<ChatterEvent> events;
    forEachWord(text, maxEvents, [&](const char *first, const char *last) {
        const char *colon = static_cast<const char *>(std::memchr(first, ':', static_cast<std::size_t>(last - first)));
        ChatterEvent event;
        if (colon && parseWhole(first, colon, event.qtDec) && parseWhole(colon + 1, last, event.gapMs))
            events.push_back(event);
    });
    return events;
}
