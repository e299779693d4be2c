#include "reasonKinds.h"

#include <algorithm>

namespace reasonKinds {

const char *word(VerdictReason::Kind kind)
{
    using Kind = VerdictReason::Kind;
    switch (kind) {
    case Kind::Chattered:
        return "chatter";
    case Kind::KeyCheckFailed:
        return "keyCheck";
    case Kind::CalibrationFailed:
        return "calibration";
    case Kind::FirmwareSilent:
        return "firmware";
    case Kind::SettingsNotUnderstood:
        return "settings";
    case Kind::KeysNotFromUnit:
        return "keysNotFromUnit";
    case Kind::NoSerial:
        return "noSerial";
    case Kind::NoKeysToTest:
        return "noKeys";
    case Kind::NeverPressed:
        return "neverPressed";
    case Kind::KeysHeld:
        return "keysHeld";
    case Kind::KeyCheckNotRun:
        return "keyCheckNotRun";
    case Kind::CalibrationNotRun:
        return "calibrationNotRun";
    case Kind::CalibrationUnfinished:
        return "calibrationUnfinished";
    }
    return "other";
}

std::string join(const std::vector<VerdictReason> &reasons)
{
    std::vector<VerdictReason::Kind> seen;
    std::string out;
    for (const VerdictReason &reason : reasons) {
        if (std::find(seen.begin(), seen.end(), reason.kind) != seen.end())
            continue;
        seen.push_back(reason.kind);
        if (!out.empty())
            out.push_back(' ');
        out += word(reason.kind);
    }
    return out;
}

} // namespace reasonKinds
