#pragma once

#include "resultFigures.h"

#include <QList>
#include <QString>
#include <QStringList>

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

// The figures as tables of text cells, the same in the summary and the
// report: a header and rows, the first textColumns cells of each text, the
// rest numbers.
struct Cells
{
    QStringList header;
    int textColumns = 0;
    QList<QStringList> rows;
};
// Per day, station, operator and product, then the total.
Cells groups(const Figures &figures);
// The reasons units did not pass, most first, with their share of all the
// reasons counted and the running total of it.
Cells reasons(const Figures &figures);
// The keys that failed, most first.
Cells keys(const Figures &figures, const KeyNames &names);
// "criteria: TEXT (N units)" for each criteria text in use.
QStringList criteriaLines(const Figures &figures);

// The period and stations, the criteria, then the three tables.
void writeTable(const Figures &figures, const KeyNames &names, QTextStream &out);

} // namespace figuresText
