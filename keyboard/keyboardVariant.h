#pragma once

#include <QList>

// Identities that keyboard variant `index` (0 US, 1 UK, 2 KR, 3 JP) lacks and
// that are therefore drawn black; empty for any other index.
QList<int> noSuchKeyListForVariant(int index);
