#pragma once

#include <QString>

class QSettings;

// The per-user settings file: the last device's ids, the light colour type and
// the station's operator,
// in Config.ini under <per-user application data>/UserConfig. The file is the
// user's to edit, so everything read from it is taken with a fallback, and a
// file that cannot be written leaves the values in memory for this run.
namespace userSettings {

extern const char *const IdGroup;       // "hidCon"
extern const char *const VidEntry;      // "vid"
extern const char *const PidEntry;      // "pid"
extern const char *const LightGroup;    // "lighetTest"
extern const char *const TestTypeEntry; // "testType"

// A real settings file is a few dozen bytes; anything near this is not ours.
constexpr qint64 MaxFileBytes = 64 * 1024;

// The key of an entry as every write names it: "/group/entry".
QString keyPath(const QString &group, const QString &entry);

// Creates <appDataDir> and <appDataDir>/UserConfig when missing (a failure
// only means the file will not be written) and returns the file's path. A file
// there larger than MaxFileBytes is moved aside to "Config.ini.bad" so the
// settings layer never reads it whole.
QString prepareConfigFile(const QString &appDataDir);

bool hasIds(const QSettings &settings);
QString storedVidText(const QSettings &settings);
QString storedPidText(const QSettings &settings);
void writeIds(QSettings &settings, const QString &vidText, const QString &pidText);

bool hasTestType(const QSettings &settings);
// The stored light colour type as written; 0 when it is missing or not a
// whole number. A value outside 0..4 selects no colour button and lights the
// keyboard with the setting of an unknown type.
int storedTestType(const QSettings &settings);
void writeTestType(QSettings &settings, int testType);

// Who tests at this station, [station] operator=: set once per shift and
// kept across starts; empty when none is given.
QString storedOperator(const QSettings &settings);
void writeOperator(QSettings &settings, const QString &name);

} // namespace userSettings
