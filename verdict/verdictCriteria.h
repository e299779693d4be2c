#pragma once

#include <string>
#include <utility>
#include <vector>

// What a unit must show to pass, as the station sets it in Config.ini:
//
//   [verdict]
//   keys=all|none                    every key of the variant pressed and released
//   chatter=fail|ignore              a bounced key fails the unit
//   chatterMs=N                      the bounce threshold (1..1000; [results] chatterMs is read too)
//   keyCheck=ifRun|required|off      the firmware's key check finds no bad key
//   calibration=ifRun|required|off   the magnetic platform's production run passes
//   minKeysHeld=N                    rollover: at least N keys held at once (0: off)
//   serial=off|ask|require           the unit's serial label is asked for / required
//   firmware=required|off            the firmware keeps taking reports
//   source=any|unit                  keys must come from the unit's own input nodes
struct VerdictCriteria
{
    enum class Keys
    {
        All,
        None
    };
    enum class Chatter
    {
        Fail,
        Ignore
    };
    // ifRun: a check that ran must pass; required: it must also have run.
    enum class Check
    {
        IfRun,
        Required,
        Off
    };
    enum class Serial
    {
        Off,
        Ask,
        Require
    };
    enum class Firmware
    {
        Required,
        Off
    };
    enum class Source
    {
        Any,
        Unit
    };

    // Beyond any keyboard's rollover: a larger want could never be met.
    static constexpr int MaxKeysHeldWanted = 256;
    static constexpr int MaxChatterMs = 1000;

    Keys keys = Keys::All;
    Chatter chatter = Chatter::Fail;
    int chatterMs = 30;
    Check keyCheck = Check::IfRun;
    Check calibration = Check::IfRun;
    int minKeysHeld = 0;
    Serial serial = Serial::Off;
    Firmware firmware = Firmware::Required;
    Source source = Source::Any;

    // "KEY=VALUE" as written, for each setting that was not understood. While
    // any is here no unit can pass: a station must not turn less strict than
    // its engineer wrote because of a typing error.
    std::vector<std::string> notUnderstood;
};

// Builds the criteria from the section's values (key and text as written in the
// file, in any order). Keys and words are matched in any letter case, "require" and
// "required" alike. A missing key keeps its default; an unknown key, a word
// that is not one of the key's, a number out of range, or one key given twice
// with different values goes to notUnderstood.
using SettingValues = std::vector<std::pair<std::string, std::string>>;
VerdictCriteria verdictCriteriaFrom(const SettingValues &values);

// The criteria in force as one text, every key in a fixed order with its value
// ("keys=all;chatter=fail;chatterMs=30;..."), so two stations' can be compared.
std::string canonicalText(const VerdictCriteria &criteria);
