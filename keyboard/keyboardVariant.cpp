#include "keyboardVariant.h"

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
