#include "unitLine.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <charconv>
#include <cstdio>
#include <map>

namespace unitLine {

namespace {

// The fields in the order they are written.
enum Field
{
    UnitId,
    StartUtc,
    EndUtc,
    Station,
    ToolVersion,
    Vid,
    Pid,
    Manufacturer,
    Product,
    Model,
    Version,
    LinkPath,
    Serial,
    KeysPressed,
    KeysNeverPressed,
    ChatterCount,
    Chatter,
    KeyCheckRun,
    KeyCheckBadKeys,
    CalibrationKeys,
    VerdictField,
    Outcome,
    Reasons,
    MaxKeysHeld,
    // Fields later tools added: a line without them is still a unit.
    Capture,
    Operator,
    Attempt,
    Criteria,
    ReasonKinds,
    CalibrationFailedKeys,
    // Last, and one of a few words: a line cut short ends in none of them.
    Ended,
    FieldCount
};

bool optional(int field)
{
    return field >= Capture && field <= CalibrationFailedKeys;
}

const std::array<const char *, FieldCount> Names = {"unit_id",
                                                    "start_utc",
                                                    "end_utc",
                                                    "station",
                                                    "tool_version",
                                                    "vid",
                                                    "pid",
                                                    "manufacturer",
                                                    "product",
                                                    "model",
                                                    "version",
                                                    "link_path",
                                                    "serial",
                                                    "keys_pressed",
                                                    "keys_never_pressed",
                                                    "chatter_count",
                                                    "chatter",
                                                    "key_check_run",
                                                    "key_check_bad_keys",
                                                    "calibration_status1_keys",
                                                    "verdict",
                                                    "outcome",
                                                    "reasons",
                                                    "max_keys_held",
                                                    "capture",
                                                    "operator",
                                                    "attempt",
                                                    "criteria",
                                                    "reason_kinds",
                                                    "calibration_failed_keys",
                                                    "ended"};

// Length of the valid UTF-8 sequence at text[i], 0 when there is none.
std::size_t utf8Length(const std::string &text, std::size_t i)
{
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    return length;
}

std::string escape(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else if (const std::size_t length = c >= 0x80 ? utf8Length(text, i) : 0) {
            out.append(text, i, length);
            i += length;
            continue;
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
        ++i;
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool unescape(const std::string &text, std::string &out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\':
            out.push_back('\\');
            break;
        case 't':
            out.push_back('\t');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case 'x': {
            const int high = i + 2 < text.size() ? hexDigit(text[i + 1]) : -1;
            const int low = high >= 0 ? hexDigit(text[i + 2]) : -1;
            if (low < 0)
                return false;
            out.push_back(static_cast<char>(high * 16 + low));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

template <typename T> bool parseNumber(const std::string &text, T &value, int base = 10)
{
    const char *last = text.data() + text.size();
    const auto result = std::from_chars(text.data(), last, value, base);
    return !text.empty() && result.ec == std::errc() && result.ptr == last;
}

// Times a date can show are written as one; any other value as its number.
std::string timeText(std::int64_t utcMs)
{
    constexpr std::int64_t Year10000 = 253402300800000;
    if (utcMs < 0 || utcMs >= Year10000)
        return std::to_string(utcMs);
    return QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC).toString(Qt::ISODateWithMs).toStdString();
}

bool parseTime(const std::string &text, std::int64_t &utcMs)
{
    if (parseNumber(text, utcMs))
        return true;
    const QDateTime when = QDateTime::fromString(QString::fromStdString(text), Qt::ISODateWithMs);
    if (!when.isValid() || when.timeSpec() != Qt::UTC)
        return false;
    utcMs = when.toMSecsSinceEpoch();
    return timeText(utcMs) == text;
}

std::string hex4(std::uint16_t value)
{
    char text[5];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

bool parseHex4(const std::string &text, std::uint16_t &value)
{
    return text.size() == 4 && parseNumber(text, value, 16);
}

bool parseKeys(const std::string &text, std::vector<int> &keys)
{
    keys = splitKeys(text);
    return joinKeys(keys) == text;
}

bool parseChatter(const std::string &text, std::vector<ChatterEvent> &events)
{
    events = splitChatter(text);
    return joinChatter(events) == text;
}

} // namespace

std::string write(const UnitRecord &r)
{
    const UnitIdentity &id = r.identity;
    const std::array<std::string, FieldCount> values = {escape(r.unitId),
                                                        timeText(r.startUtcMs),
                                                        timeText(r.endUtcMs),
                                                        escape(id.station),
                                                        escape(id.toolVersion),
                                                        hex4(id.vid),
                                                        hex4(id.pid),
                                                        escape(id.manufacturer),
                                                        escape(id.product),
                                                        escape(id.model),
                                                        escape(id.version),
                                                        escape(id.linkPath),
                                                        escape(id.serial),
                                                        joinKeys(r.keysPressed),
                                                        joinKeys(r.keysNeverPressed),
                                                        std::to_string(r.chatterCount),
                                                        joinChatter(r.chatter),
                                                        r.keyCheckRun ? "yes" : "no",
                                                        joinKeys(r.keyCheckBadKeys),
                                                        joinKeys(r.calibrationKeys),
                                                        verdictName(r.verdict),
                                                        outcomeName(r.outcome),
                                                        escape(r.reasons),
                                                        std::to_string(r.maxKeysHeld),
                                                        escape(r.capture),
                                                        escape(id.operatorName.value_or(std::string())),
                                                        r.attempt > 0 ? std::to_string(r.attempt) : std::string(),
                                                        escape(r.criteria),
                                                        escape(r.reasonKinds),
                                                        joinKeys(r.calibrationFailedKeys),
                                                        unitEndName(r.ended)};
    std::string line;
    for (int field = 0; field < FieldCount; ++field) {
        // No operator field is a unit of a station that had none, which an
        // empty one is not.
        if ((field == Operator && !id.operatorName) || (field == Attempt && r.attempt <= 0))
            continue;
        if (field > 0)
            line.push_back('\t');
        line += Names[field];
        line.push_back('=');
        line += values[field];
    }
    return line;
}

bool read(const std::string &line, UnitRecord &record, std::string *why)
{
    static const std::map<std::string, int> byName = [] {
        std::map<std::string, int> names;
        for (int field = 0; field < FieldCount; ++field)
            names[Names[field]] = field;
        return names;
    }();
    auto refuse = [why](const std::string &reason) {
        if (why)
            *why = reason;
        return false;
    };
    std::array<std::string, FieldCount> raw;
    std::array<bool, FieldCount> seen = {};
    std::size_t pos = 0;
    while (pos <= line.size()) {
        std::size_t end = line.find('\t', pos);
        if (end == std::string::npos)
            end = line.size();
        const std::size_t equals = line.find('=', pos);
        if (equals == std::string::npos || equals > end)
            return refuse("not name=value fields separated by tabs");
        const auto found = byName.find(line.substr(pos, equals - pos));
        if (found != byName.end()) {
            if (seen[found->second])
                return refuse(std::string(Names[found->second]) + " given twice");
            seen[found->second] = true;
            raw[found->second] = line.substr(equals + 1, end - equals - 1);
        }
        pos = end + 1;
    }
    for (int field = 0; field < FieldCount; ++field)
        if (!seen[field] && !optional(field))
            return refuse(std::string(Names[field]) + " missing");

    UnitRecord r;
    UnitIdentity &id = r.identity;
    int bad = -1;
    auto field = [&bad](int which, bool ok) {
        if (!ok && bad < 0)
            bad = which;
        return ok;
    };
    bool ok =
        field(UnitId, unescape(raw[UnitId], r.unitId) && !r.unitId.empty()) &&
        field(StartUtc, parseTime(raw[StartUtc], r.startUtcMs)) && field(EndUtc, parseTime(raw[EndUtc], r.endUtcMs)) &&
        field(Station, unescape(raw[Station], id.station)) &&
        field(ToolVersion, unescape(raw[ToolVersion], id.toolVersion)) && field(Vid, parseHex4(raw[Vid], id.vid)) &&
        field(Pid, parseHex4(raw[Pid], id.pid)) && field(Manufacturer, unescape(raw[Manufacturer], id.manufacturer)) &&
        field(Product, unescape(raw[Product], id.product)) && field(Model, unescape(raw[Model], id.model)) &&
        field(Version, unescape(raw[Version], id.version)) && field(LinkPath, unescape(raw[LinkPath], id.linkPath)) &&
        field(Serial, unescape(raw[Serial], id.serial)) &&
        field(KeysPressed, parseKeys(raw[KeysPressed], r.keysPressed)) &&
        field(KeysNeverPressed, parseKeys(raw[KeysNeverPressed], r.keysNeverPressed)) &&
        field(ChatterCount, parseNumber(raw[ChatterCount], r.chatterCount)) &&
        field(Chatter, parseChatter(raw[Chatter], r.chatter)) &&
        field(KeyCheckRun, raw[KeyCheckRun] == "yes" || raw[KeyCheckRun] == "no") &&
        field(KeyCheckBadKeys, parseKeys(raw[KeyCheckBadKeys], r.keyCheckBadKeys)) &&
        field(CalibrationKeys, parseKeys(raw[CalibrationKeys], r.calibrationKeys)) &&
        field(VerdictField, verdictFromName(raw[VerdictField], r.verdict)) &&
        field(Outcome, outcomeFromName(raw[Outcome], r.outcome)) && field(Reasons, unescape(raw[Reasons], r.reasons)) &&
        field(MaxKeysHeld, parseNumber(raw[MaxKeysHeld], r.maxKeysHeld)) &&
        field(Ended, unitEndFromName(raw[Ended], r.ended)) && field(Capture, unescape(raw[Capture], r.capture)) &&
        field(Attempt, !seen[Attempt] || (parseNumber(raw[Attempt], r.attempt) && r.attempt > 0)) &&
        field(Criteria, unescape(raw[Criteria], r.criteria)) &&
        field(ReasonKinds, unescape(raw[ReasonKinds], r.reasonKinds)) &&
        field(CalibrationFailedKeys, parseKeys(raw[CalibrationFailedKeys], r.calibrationFailedKeys));
    if (ok && seen[Operator]) {
        id.operatorName.emplace();
        ok = field(Operator, unescape(raw[Operator], *id.operatorName));
    }
    if (!ok)
        return refuse(std::string(Names[bad]) + " not readable");
    r.keyCheckRun = raw[KeyCheckRun] == "yes";
    record = std::move(r);
    return true;
}

} // namespace unitLine
