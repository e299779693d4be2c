#include "keyHeat.h"

#include "keyboardButCustom.h"
#include "keyboardPage.h"

namespace keyHeat {

QMap<int, int> byPageKey(const std::vector<KeyFailureCount> &keys, const PageKeyOfUsage &pageKeyOfUsage)
{
    QMap<int, int> counts;
    for (const KeyFailureCount &key : keys) {
        const bool usage = key.kind == QLatin1String("keyCheck") || key.kind == QLatin1String("calibration");
        const std::optional<int> pageKey = usage ? pageKeyOfUsage(key.key) : std::optional<int>(key.key);
        if (pageKey)
            counts[*pageKey] += int(qMin<qint64>(key.units, 1 << 30));
    }
    return counts;
}

void show(keyboardPage &page, const std::vector<KeyFailureCount> &keys)
{
    page.showKeyHeat(byPageKey(keys, [&page](int usage) -> std::optional<int> {
        keyboardButCustom *button = page.keyButtonByKeyDec(usage);
        // The ISO hash key shares the US backslash key's place, as the key
        // check's passes show it.
        if (!button && usage == 50)
            button = page.keyButtonByKeyDec(49);
        return button ? std::optional<int>(button->qtDec()) : std::nullopt;
    }));
}

} // namespace keyHeat
