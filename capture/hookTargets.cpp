#include "hookTargets.h"

const char *const HookTargetKey = "HOOK";

std::map<std::string, HookTarget *> &hookTargets()
{
    static std::map<std::string, HookTarget *> targets;
    return targets;
}

HookTarget *findHookTarget(const std::string &key)
{
    const auto &targets = hookTargets();
    const auto it = targets.find(key);
    return it == targets.end() ? nullptr : it->second;
}

void removeHookTarget(const std::string &key, const HookTarget *target)
{
    auto &targets = hookTargets();
    const auto it = targets.find(key);
    if (it != targets.end() && it->second == target)
        targets.erase(it);
}
