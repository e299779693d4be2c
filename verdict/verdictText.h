#pragma once

#include "unitVerdict.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The words a verdict's reasons are told in, "%1" and "%2" standing for the
// numbers and names. English as the record keeps it; the window hands in its
// translations.
struct VerdictWords
{
    std::string neverPressed = "%1 never pressed";
    std::string moreKeys = "%1 and %2 more"; // a list cut short
    std::string noKeysToTest = "no keys to test";
    std::string chattered = "%1 chattered (%2 ms)";
    std::string keyCheckFailedOne = "key check: 1 key failed";
    std::string keyCheckFailed = "key check: %1 keys failed";
    std::string notOnLayout = "%1 not on the layout"; // bad bits that name no key, after the count
    std::string matrixPosition = "row %1 column %2";  // counted from 1
    std::string calibrationFailed = "calibration failed";
    std::string firmwareSilent = "firmware not answering";
    std::string noSerial = "no serial";
    std::string keysNotFromUnit = "keys not taken from the unit";
    std::string settingNotUnderstood = "Settings: %1 not understood";
    std::string keysHeld = "at most %1 keys held at once (want %2)";
    std::string keyCheckNotRun = "key check not run";
    std::string calibrationNotRun = "calibration not run";
    std::string calibrationUnfinished = "calibration not finished";
};

using KeyNamer = std::function<std::string(int qtDec)>;

// One reason as a line of text; a list of keys longer than maxNames names the
// first maxNames and counts the rest.
std::string describeReason(const VerdictReason &reason, const VerdictWords &words, const KeyNamer &keyName,
                           std::size_t maxNames = 8);
// The reasons joined by separator.
std::string describeReasons(const std::vector<VerdictReason> &reasons, const VerdictWords &words,
                            const KeyNamer &keyName, const std::string &separator = "; ", std::size_t maxNames = 8);

// The debug log's line for the verdict's state and its reasons, in English.
std::string verdictLogLine(const UnitVerdict &verdict, const KeyNamer &keyName);
