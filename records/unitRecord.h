#pragma once

#include "unitOutcome.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One keyboard's test, from its connection to its end: what a line engineer
// asks about a unit afterwards. Plain data with no toolkit types, so the rules
// that build it run anywhere.

enum class Verdict
{
    None,
    Successful,
    Failed
};

// Why the unit ended.
enum class UnitEnd
{
    Removal,   // the keyboard was unplugged
    LinkLost,  // the link stopped answering while the keyboard was still listed
    Selection, // the operator picked another device
    Close,     // the window was closed
    Crash      // the tool ended without closing (a crash, a kill, a power cut) while the unit was connected
};

// What is known of the keyboard when its link comes up. Texts are UTF-8 as the
// firmware or the system gave them; the recorder cleans them (see cleanText).
struct UnitIdentity
{
    std::string station;     // the host name of the testing machine
    std::string toolVersion; // this program's version
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    std::string manufacturer;
    std::string product;
    std::string model;
    std::string version;
    std::string linkPath; // the vendor interface's path
    std::string serial;   // the unit's serial label as typed or scanned; empty when none was given
    // Who tested it, as the station's operator field held it; empty when the
    // field was empty, none for units recorded before stations asked.
    std::optional<std::string> operatorName;
};

struct ChatterEvent
{
    int qtDec = 0;
    std::int64_t gapMs = 0; // from the key's release to its next press
};

struct UnitRecord
{
    std::string unitId; // random, UUID-shaped; the key in every store
    std::int64_t startUtcMs = 0;
    std::int64_t endUtcMs = 0;
    UnitIdentity identity;

    std::vector<int> keysPressed;      // page identities (qtDec), ascending, each once
    std::vector<int> keysNeverPressed; // keys of the variant at the end not in keysPressed, ascending
    std::vector<ChatterEvent> chatter; // in the order they happened, at most UnitRecord::MaxChatterEvents
    std::int64_t chatterCount = 0;     // every chatter event, also those past the list's bound

    bool keyCheckRun = false;
    std::vector<int> keyCheckBadKeys; // HID usages (keyDec) of the last key check, ascending

    std::vector<int> calibrationKeys; // HID usages named by status-1 calibration answers, ascending
    // HID usages of the keys a failed calibration run did not pass, of the
    // firmware's key matrix, ascending.
    std::vector<int> calibrationFailedKeys;
    Verdict verdict = Verdict::None;

    UnitEnd ended = UnitEnd::Close;

    UnitOutcome outcome = UnitOutcome::Untested;
    std::string reasons; // why, as the verdict gave them at the end, joined by "; "
    int maxKeysHeld = 0; // the most keys held down at once
    // What judged the unit's keys: its own input nodes ("/dev/input/event5
    // /dev/input/event6"), "display" (every keyboard of the X display) or
    // "hook" (every keyboard of the Windows desktop); sources that took keys
    // of the unit in the order they did, "; " between; empty in older records.
    std::string capture;
    // The kinds of the reasons, as machine-readable words (reasonKinds.h),
    // so that figures never read the reasons' text.
    std::string reasonKinds;
    // The criteria the unit was judged by, as one text (criteriaText).
    std::string criteria;
    // The how-manieth test of its serial this unit is, counted by the store
    // that holds it; 0 for none (no serial, or not stored yet).
    int attempt = 0;

    static constexpr std::size_t MaxChatterEvents = 1000;
};

// Field by field, so a record read back from a store or a file can be
// compared with the one written.
bool operator==(const UnitIdentity &a, const UnitIdentity &b);
bool operator==(const ChatterEvent &a, const ChatterEvent &b);
bool operator==(const UnitRecord &a, const UnitRecord &b);

// Stable names, as the stores and the export write them.
const char *verdictName(Verdict verdict);     // "none", "successful", "failed"
const char *unitEndName(UnitEnd end);         // "removal", "link lost", "selection", "close", "crash"
const char *outcomeName(UnitOutcome outcome); // "untested", "passed", "failed", "incomplete"
bool verdictFromName(const std::string &name, Verdict &verdict);
bool outcomeFromName(const std::string &name, UnitOutcome &outcome);
bool unitEndFromName(const std::string &name, UnitEnd &end);

// Texts from the firmware are stored in databases that cannot hold a NUL
// (PostgreSQL's text) and shown in a CSV: NULs are dropped, and the text is cut
// to at most MaxTextBytes without splitting a UTF-8 sequence.
constexpr std::size_t MaxTextBytes = 512;
std::string cleanText(const std::string &text);

// "1 2 3" and back; the list is ascending and unique on the way in.
std::string joinKeys(const std::vector<int> &keys);
// Words that are not whole numbers are skipped; at most maxKeys are read.
std::vector<int> splitKeys(const std::string &text, std::size_t maxKeys = 4096);
// "key:gap key:gap"
std::string joinChatter(const std::vector<ChatterEvent> &events);
std::vector<ChatterEvent> splitChatter(const std::string &text, std::size_t maxEvents = UnitRecord::MaxChatterEvents);
