#include "verdictCriteria.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <map>

namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

template <typename T> struct Word
{
    const char *text;
    T value;
};

using C = VerdictCriteria;

const std::initializer_list<Word<C::Keys>> kKeysWords = {{"all", C::Keys::All}, {"none", C::Keys::None}};
const std::initializer_list<Word<C::Chatter>> kChatterWords = {{"fail", C::Chatter::Fail},
                                                               {"ignore", C::Chatter::Ignore}};
const std::initializer_list<Word<C::Check>> kCheckWords = {
    {"ifRun", C::Check::IfRun}, {"required", C::Check::Required}, {"off", C::Check::Off}};
const std::initializer_list<Word<C::Serial>> kSerialWords = {
    {"off", C::Serial::Off}, {"ask", C::Serial::Ask}, {"require", C::Serial::Require}};
const std::initializer_list<Word<C::Firmware>> kFirmwareWords = {{"required", C::Firmware::Required},
                                                                 {"off", C::Firmware::Off}};
const std::initializer_list<Word<C::Source>> kSourceWords = {{"any", C::Source::Any}, {"unit", C::Source::Unit}};

// "require" and "required" are one word to a station engineer.
std::string withoutD(std::string word)
{
    return word == "required" ? std::string("require") : word;
}

template <typename T> bool pickWord(const std::string &text, std::initializer_list<Word<T>> words, T &target)
{
    const std::string wanted = withoutD(lowered(trimmed(text)));
    for (const Word<T> &word : words) {
        if (wanted == withoutD(lowered(word.text))) {
            target = word.value;
            return true;
        }
    }
    return false;
}

bool pickNumber(const std::string &text, int lowest, int highest, int &target)
{
    const std::string number = trimmed(text);
    int n = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), n);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size() || number.empty() || n < lowest ||
        n > highest)
        return false;
    target = n;
    return true;
}

template <typename T> const char *wordOf(std::initializer_list<Word<T>> words, T value)
{
    for (const Word<T> &word : words) {
        if (word.value == value)
            return word.text;
    }
    return "";
}

} // namespace

VerdictCriteria verdictCriteriaFrom(const SettingValues &values)
{
    C criteria;
    std::map<std::string, std::string> seen; // lower-case key to the value it took
    for (const auto &[key, value] : values) {
        const std::string name = lowered(trimmed(key));
        const auto earlier = seen.find(name);
        bool understood = true;
        if (earlier != seen.end()) {
            // [verdict] and [Verdict], or keyCheck and keycheck: fine while they agree.
            understood = lowered(trimmed(earlier->second)) == lowered(trimmed(value));
        } else if (name == "keys") {
            understood = pickWord(value, kKeysWords, criteria.keys);
        } else if (name == "chatter") {
            understood = pickWord(value, kChatterWords, criteria.chatter);
        } else if (name == "chatterms") {
            understood = pickNumber(value, 0, C::MaxChatterMs, criteria.chatterMs);
        } else if (name == "keycheck") {
            understood = pickWord(value, kCheckWords, criteria.keyCheck);
        } else if (name == "calibration") {
            understood = pickWord(value, kCheckWords, criteria.calibration);
        } else if (name == "minkeysheld") {
            understood = pickNumber(value, 0, C::MaxKeysHeldWanted, criteria.minKeysHeld);
        } else if (name == "serial") {
            understood = pickWord(value, kSerialWords, criteria.serial);
        } else if (name == "firmware") {
            understood = pickWord(value, kFirmwareWords, criteria.firmware);
        } else if (name == "source") {
            understood = pickWord(value, kSourceWords, criteria.source);
        } else {
            understood = false;
        }
        seen.emplace(name, value);
        if (!understood)
            criteria.notUnderstood.push_back(key + "=" + value);
    }
    // A threshold of 0 would let every bounce through while the station says
    // chatter fails a unit.
    if (criteria.chatter == C::Chatter::Fail && criteria.chatterMs == 0) {
        const auto given = std::find_if(values.begin(), values.end(),
                                        [](const auto &entry) { return lowered(trimmed(entry.first)) == "chatterms"; });
        criteria.notUnderstood.push_back(given->first + "=" + given->second);
    }
    return criteria;
}

std::string canonicalText(const VerdictCriteria &c)
{
    return std::string("keys=") + wordOf(kKeysWords, c.keys) + ";chatter=" + wordOf(kChatterWords, c.chatter) +
           ";chatterMs=" + std::to_string(c.chatterMs) + ";keyCheck=" + wordOf(kCheckWords, c.keyCheck) +
           ";calibration=" + wordOf(kCheckWords, c.calibration) + ";minKeysHeld=" + std::to_string(c.minKeysHeld) +
           ";serial=" + wordOf(kSerialWords, c.serial) + ";firmware=" + wordOf(kFirmwareWords, c.firmware) +
           ";source=" + wordOf(kSourceWords, c.source);
}
