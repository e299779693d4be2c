#pragma once

#include <map>
#include <string>
#include <vector>

// What a unit must show to pass, as the station sets it in Config.ini:
//
//   [verdict]
//   keys=all|none                    every key of the variant pressed and released
//   chatter=fail|ignore              a bounced key fails the unit
//   keyCheck=ifRun|required|off      the firmware's key check finds no bad key
//   calibration=ifRun|required|off   the magnetic platform's production run passes
//   minKeysHeld=N                    rollover: at least N keys held at once (0: off)
//   serial=off|ask|require           the unit's serial label is asked for / required
//   firmware=required|off            the firmware keeps taking reports
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

    // Beyond any keyboard's rollover: a larger want could never be met.
    static constexpr int MaxKeysHeldWanted = 256;

    Keys keys = Keys::All;
    Chatter chatter = Chatter::Fail;
    Check keyCheck = Check::IfRun;
    Check calibration = Check::IfRun;
    int minKeysHeld = 0;
    Serial serial = Serial::Off;
    Firmware firmware = Firmware::Required;
};

// Builds the criteria from the section's values (key to text as written in the
// file). A missing key keeps its default; a value that is not one of the key's
// words, and a key that is not a criterion, keep the default too and add a
// line to problems saying what was ignored. Words are matched without regard
// to case.
VerdictCriteria verdictCriteriaFrom(const std::map<std::string, std::string> &values,
                                    std::vector<std::string> *problems);
