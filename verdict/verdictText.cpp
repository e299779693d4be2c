#include "verdictText.h"

namespace {

// "%1" and "%2" replaced in one pass, so a name holding "%2" stays as it is.
std::string fill(const std::string &pattern, const std::string &first, const std::string &second = std::string())
{
    std::string out;
    out.reserve(pattern.size() + first.size() + second.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
            out += pattern[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

std::string nameList(const std::vector<int> &keys, const VerdictWords &words, const KeyNamer &keyName,
                     std::size_t maxNames)
{
    std::string list;
    const std::size_t shown = keys.size() > maxNames ? maxNames : keys.size();
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0)
            list += ", ";
        list += keyName(keys[i]);
    }
    if (shown < keys.size())
        return fill(words.moreKeys, list, std::to_string(keys.size() - shown));
    return list;
}

std::string positionList(const std::vector<MatrixPosition> &positions, const VerdictWords &words, std::size_t maxNames)
{
    std::string list;
    const std::size_t shown = positions.size() > maxNames ? maxNames : positions.size();
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0)
            list += ", ";
        list +=
            fill(words.matrixPosition, std::to_string(positions[i].row + 1), std::to_string(positions[i].column + 1));
    }
    if (shown < positions.size())
        list = fill(words.moreKeys, list, std::to_string(positions.size() - shown));
    return fill(words.notOnLayout, list);
}

} // namespace

std::string describeReason(const VerdictReason &reason, const VerdictWords &words, const KeyNamer &keyName,
                           std::size_t maxNames)
{
    using Kind = VerdictReason::Kind;
    switch (reason.kind) {
    case Kind::Chattered:
        return fill(words.chattered, reason.keys.empty() ? std::string() : keyName(reason.keys.front()),
                    std::to_string(reason.value));
    case Kind::KeyCheckFailed: {
        const std::string count =
            reason.value == 1 ? words.keyCheckFailedOne : fill(words.keyCheckFailed, std::to_string(reason.value));
        return reason.positions.empty() ? count : count + " (" + positionList(reason.positions, words, maxNames) + ")";
    }
    case Kind::CalibrationFailed:
        return words.calibrationFailed;
    case Kind::FirmwareSilent:
        return words.firmwareSilent;
    case Kind::NoSerial:
        return words.noSerial;
    case Kind::KeysNotFromUnit:
        return words.keysNotFromUnit;
    case Kind::SettingsNotUnderstood:
        return fill(words.settingNotUnderstood, reason.setting);
    case Kind::NoKeysToTest:
        return words.noKeysToTest;
    case Kind::NeverPressed:
        return fill(words.neverPressed, nameList(reason.keys, words, keyName, maxNames));
    case Kind::KeysHeld:
        return fill(words.keysHeld, std::to_string(reason.value), std::to_string(reason.want));
    case Kind::KeyCheckNotRun:
        return words.keyCheckNotRun;
    case Kind::CalibrationNotRun:
        return words.calibrationNotRun;
    case Kind::CalibrationUnfinished:
        return words.calibrationUnfinished;
    }
    return std::string();
}

std::string describeReasons(const std::vector<VerdictReason> &reasons, const VerdictWords &words,
                            const KeyNamer &keyName, const std::string &separator, std::size_t maxNames)
{
    std::string out;
    for (const VerdictReason &reason : reasons) {
        if (!out.empty())
            out += separator;
        out += describeReason(reason, words, keyName, maxNames);
    }
    return out;
}

std::string verdictLogLine(const UnitVerdict &verdict, const KeyNamer &keyName)
{
    static const char *const states[] = {"testing", "PASS", "FAIL"};
    const std::string reasons = describeReasons(verdict.reasons(), VerdictWords(), keyName);
    return std::string("---------- *** verdict: ") + states[static_cast<int>(verdict.state())] +
           (reasons.empty() ? "" : ": " + reasons) + " *** ----------";
}
