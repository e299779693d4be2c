#pragma once

#include <QList>

#include <vector>

// Identities that keyboard variant `index` (0 US, 1 UK, 2 KR, 3 JP) lacks and
// that are therefore drawn black; empty for any other index.
QList<int> noSuchKeyListForVariant(int index);

// Of the page's keys, those a unit of variant `index` must have pressed and
// released under keys=all: every key that reaches the system as a key event.
// Not the lock indicators (negative: lights, not keys), not the Fn key 1010
// (only the firmware reports it), not the keys the variant lacks.
std::vector<int> wantedKeysForVariant(const QList<int> &pageKeys, int index);
