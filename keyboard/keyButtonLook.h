#pragma once

#include <QChar>
#include <QColor>
#include <QString>

// How a key button looks in each state: kept apart from the widget so the
// table of colours and glyphs can be read and checked without a button.
namespace keyButtonLook {

enum KeyState
{
    KeyState_Untested = 0,
    KeyState_Down = 1,
    KeyState_Released = 2,
    KeyState_Pass = 3,
    KeyState_Fail = 4,
    KeyState_NoSuchKey = 5,
};

// The four identities that show a lock's on/off icon instead of a key colour.
bool isLockIndicator(int qtDec);

// Full style sheet of a key in the given state; a null string for a value that
// is not a state, so the caller can leave the key as it is.
QString stateStyleSheet(int state);

QString lockIndicatorStyleSheet();

// A key of the failures heat map: untested white without failures, then from
// a pale yellow for one failure to the fail red for the most of any key.
QColor heatColour(int count, int mostOfAnyKey);
// Its full style sheet, with a text colour that stays readable on it.
QString heatStyleSheet(int count, int mostOfAnyKey);

// The icon-font character a key shows instead of its label; a null QChar when
// the key has none.
QChar glyphFor(int qtDec);

} // namespace keyButtonLook
