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
    // False when the text is not valid JSON: the page then builds nothing and
    // stays silent. True otherwise, even when no row member was found.
    bool loaded = false;
    std::vector<KeyRecord> keys; // file order: row 0 first, array order within a row
};

// Turns the layout file's text (NUL-terminated) into key records. Never throws;
// any input, however malformed, yields a (possibly empty) result.
KeyLayout parseKeyLayout(const char *text);

// Reads the layout file for parsing: false when it cannot be opened (the caller
// logs and builds nothing). CR LF line ends arrive as LF, as a text-mode read gives.
bool readKeyLayoutFile(const QString &path, QByteArray *text);
