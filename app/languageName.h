#pragma once

#include <QLocale>
#include <QString>

// The interface language the tool starts in, named as its translation catalogue
// is: "Zh_SM", "Zh_TR", "English", "Japanese", "Korean", "Russian" or "Arabic".
// Chinese is split by country (only mainland China gets simplified characters);
// a language without a catalogue of its own falls back to "English".
QString languageName(QLocale::Language language, QLocale::Country country);
