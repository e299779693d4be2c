#include "keyboardVariant.h"

std::vector<int> wantedKeysForVariant(const QList<int> &pageKeys, int index)
{
    const QList<int> lacking = noSuchKeyListForVariant(index);
    std::vector<int> wanted;
    for (int qtDec : pageKeys) {
        if (qtDec > 0 && qtDec != 1010 && !lacking.contains(qtDec))
            wanted.push_back(qtDec);
    }
    return wanted;
}

QList<int> noSuchKeyListForVariant(int index)
{
    switch (index) {
    case 0: // US
        return {226, 193, 235, 2350, 2360, 701, 702, 703};
    case 1: // UK
        return {193, 235, 2350, 2360, 701, 702, 703};
    case 2: // KR
        return {226, 193, 235, 701, 702, 703};
    case 3: // JP
        return {226, 2350, 2360};
    default:
        return {};
    }
}
