#pragma once

#include "resultFigures.h"

#include <QString>

#include <map>

class QTextStream;
struct KeyLayout;

// Figures told as text: the names of reason kinds and keys, and the table
// that --results-summary prints.
namespace figuresText {

// Names of the keys of a layout: page keys by identity, and by HID usage for
// the key check's keys.
struct KeyNames
{
    std::map<int, QString> pageKeys;
    std::map<int, QString> usages;
};
KeyNames keyNames(const KeyLayout &layout);
// The layout file at path; no names when it cannot be read.
KeyNames keyNamesFrom(const QString &layoutPath);

// "key chattered", "keys never pressed", ...; a word of a later tool as it
// stands. Translated (context "figuresText") where a catalogue is installed.
QString reasonLabel(const QString &kind);
// How a key failed: "chattered", "key check", "never pressed".
QString keyKindLabel(const QString &kind);
// "A (65)", "usage 4" for a key the layout does not name.
QString keyLabel(const KeyNames &names, const KeyFailureCount &key);

// The period and stations, the figures per day, station, operator and
// product with their total, the reasons that did not pass, most first, and
// the keys that failed.
void writeTable(const Figures &figures, const KeyNames &names, QTextStream &out);

} // namespace figuresText
