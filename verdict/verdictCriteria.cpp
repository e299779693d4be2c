#include "verdictCriteria.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <utility>

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

// The value of one key, from its words; the default and a line in problems
// when the text is none of them.
template <typename T>
void pick(const std::map<std::string, std::string> &values, const char *key, std::initializer_list<Word<T>> words,
          T &target, std::vector<std::string> *problems)
{
    const auto found = values.find(key);
    if (found == values.end())
        return;
    const std::string text = lowered(trimmed(found->second));
    for (const Word<T> &word : words) {
        if (text == lowered(word.text)) {
            target = word.value;
            return;
        }
    }
    if (!problems)
        return;
    std::string allowed;
    for (const Word<T> &word : words)
        allowed += (allowed.empty() ? "" : "|") + std::string(word.text);
    const T fallback = target;
    std::string fallbackText;
    for (const Word<T> &word : words) {
        if (word.value == fallback) {
            fallbackText = word.text;
            break;
        }
    }
    problems->push_back(std::string(key) + "=" + found->second + " is not " + allowed + "; " + fallbackText +
                        " is used");
}

} // namespace

VerdictCriteria verdictCriteriaFrom(const std::map<std::string, std::string> &values,
                                    std::vector<std::string> *problems)
{
    using C = VerdictCriteria;
    C criteria;
    pick<C::Keys>(values, "keys", {{"all", C::Keys::All}, {"none", C::Keys::None}}, criteria.keys, problems);
    pick<C::Chatter>(values, "chatter", {{"fail", C::Chatter::Fail}, {"ignore", C::Chatter::Ignore}}, criteria.chatter,
                     problems);
    const std::initializer_list<Word<C::Check>> checkWords = {
        {"ifRun", C::Check::IfRun}, {"required", C::Check::Required}, {"off", C::Check::Off}};
    pick<C::Check>(values, "keyCheck", checkWords, criteria.keyCheck, problems);
    pick<C::Check>(values, "calibration", checkWords, criteria.calibration, problems);
    pick<C::Serial>(values, "serial",
                    {{"off", C::Serial::Off}, {"ask", C::Serial::Ask}, {"require", C::Serial::Require}},
                    criteria.serial, problems);
    pick<C::Firmware>(values, "firmware", {{"required", C::Firmware::Required}, {"off", C::Firmware::Off}},
                      criteria.firmware, problems);

    const auto held = values.find("minKeysHeld");
    if (held != values.end()) {
        const std::string text = trimmed(held->second);
        int n = -1;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), n);
        if (result.ec == std::errc() && result.ptr == text.data() + text.size() && n >= 0 && n <= C::MaxKeysHeldWanted)
            criteria.minKeysHeld = n;
        else if (problems)
            problems->push_back("minKeysHeld=" + held->second + " is not a number from 0 to " +
                                std::to_string(C::MaxKeysHeldWanted) + "; 0 is used");
    }

    static const char *const known[] = {"keys",   "chatter",  "keyCheck",   "calibration",
                                        "serial", "firmware", "minKeysHeld"};
    for (const auto &entry : values) {
        if (problems && std::find(std::begin(known), std::end(known), entry.first) == std::end(known))
            problems->push_back(entry.first + "=" + entry.second + " is not a verdict setting; ignored");
    }
    return criteria;
}
