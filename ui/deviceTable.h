#pragma once

#include <QString>
#include <QStringList>

// The keyboard controller platforms the tool can talk to. An entry's text joins
// the VID text, the PID text and the platform name: "0x0416,0xb23c,(NUC121)".
struct DeviceEntry
{
    QString vidText; // "0x" and four hexadecimal digits
    QString pidText;
    QString platform;
    QString text() const
    {
        return vidText + QLatin1Char(',') + pidText + QLatin1String(",(") + platform + QLatin1Char(')');
    }
};

namespace deviceTable {

constexpr int EntryCount = 12;
constexpr int DefaultEntry = 1; // NUC121, the form's own ids

// The entries in list order (index 0 first).
const QList<DeviceEntry> &entries();
QStringList entryTexts();

// The list entry that stored ids select: the first entry, in the restore order,
// whose four VID digits occur in vidText and whose four PID digits occur in
// pidText (case-sensitive). -1 when none does.
int entryForStoredIds(const QString &vidText, const QString &pidText);

// An entry text split as the selection does it: the VID text is everything
// before the first comma, the PID text the same number of characters after it.
void splitEntryText(const QString &entryText, QString *vidText, QString *pidText);

// "0x0416" -> 0x0416; anything that is not a base-16 number reads as 0.
int idFromText(const QString &idText);

// The four-digit form kept for matching device paths: the text's last four characters.
QString shortId(const QString &idText);

// The magnetic-switch platform is recognised by its exact texts.
bool isMagneticPlatform(const QString &vidText, const QString &pidText);
bool isMagneticShortIds(const QString &shortVid, const QString &shortPid);

} // namespace deviceTable
