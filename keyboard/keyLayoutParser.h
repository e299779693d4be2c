#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// One key of the layout file, as the keyboard page needs it to build a button.
struct KeyRecord
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int qtDec = 0;  // identity after Enter / vk 255 variant resolution
    int keyDec = 0; // HID usage ("Dec")
    QString label;
    int row = 0; // 0..6
};

struct KeyLayout
{
    // False when the text is not valid JSON (or is refused as too large): the
    // page then builds nothing and stays silent. True otherwise, even when no
    // row member was found.
    bool loaded = false;
    std::vector<KeyRecord> keys; // file order: row 0 first, array order within a row
};

// The layout file is data that an operator may replace by hand, so the reader
// puts a ceiling on everything that would otherwise let one bad file stall or
// exhaust the tool. A real keyboard has well under 200 keys of well under
// 1000 pixels; the limits leave a wide margin above that.
namespace keyLayoutLimits {
// Larger files (and larger texts handed to parseKeyLayout) are refused whole:
// the parse tree of a 1 MiB file of tiny values is already some 40 MB.
constexpr int maxFileBytes = 1 << 20;
// Keys beyond this many are not built; each one is a widget on the page.
constexpr int maxKeys = 1024;
// x and y are clamped to [-maxCoordinate, maxCoordinate], width and height to
// [0, maxCoordinate], so no widget is placed or sized near the int range.
constexpr int maxCoordinate = 4096;
// Longer labels are cut; a key button cannot show more anyway, and laying
// out a megabyte of text would freeze the window.
constexpr int maxLabelChars = 256;
// Per parse, at most this many lines about skipped or clamped records are
// logged, then one line with the number left unreported.
constexpr int maxNoticeLines = 20;
} // namespace keyLayoutLimits

// Turns the layout file's text (NUL-terminated) into key records. Never throws;
// any input, however malformed, yields a (possibly empty) result. A null
// pointer reads as invalid text.
KeyLayout parseKeyLayout(const char *text);

// Reads the layout file for parsing: false when it cannot be opened or is larger
// than keyLayoutLimits::maxFileBytes (the caller logs and builds nothing; the
// size refusal is logged here). CR LF line ends arrive as LF, as a text-mode
// read gives. A leading UTF-8 byte-order mark is kept: cJSON skips it.
bool readKeyLayoutFile(const QString &path, QByteArray *text);
