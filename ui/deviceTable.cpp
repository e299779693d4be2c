#include "deviceTable.h"

namespace deviceTable {

const QList<DeviceEntry> &entries()
{
    static const QList<DeviceEntry> table = {
        {"0x0416", "0xc345", "M252"},           {"0x0416", "0xb23c", "NUC121"},
        {"0x0c45", "0xb10a", "TV32S006"},       {"0x0c45", "0xb23c", "TV32S128"},
        {"0x1fc9", "0xe8c7", "QN9080Keyboard"}, {"0x1fc9", "0xe8d8", "QN9080Dongle"},
        {"0x2e88", "0xb30a", "HC32L072"},       {"0x2f81", "0xd466", "MM32F3270"},
        {"0x0c45", "0xb12b", "SN32F248B"},      {"0x4a4c", "0xe987", "JL_Keyboard"},
        {"0x4a4c", "0xe988", "JL_Dongle"},      {"0x0416", "0x7372", "MagneticM484"},
    };
    return table;
}

QStringList entryTexts()
{
    QStringList texts;
    for (const DeviceEntry &e : entries())
        texts << e.text();
    return texts;
}

int entryForStoredIds(const QString &vidText, const QString &pidText)
{
    // NUC121 and TV32S128 share the PID b23c, so they are tried before the rest.
    static const int restoreOrder[EntryCount] = {1, 3, 0, 2, 4, 5, 6, 7, 8, 9, 10, 11};
    for (int index : restoreOrder) {
        const DeviceEntry &e = entries().at(index);
        if (vidText.contains(shortId(e.vidText), Qt::CaseSensitive) &&
            pidText.contains(shortId(e.pidText), Qt::CaseSensitive))
            return index;
    }
    return -1;
}

void splitEntryText(const QString &entryText, QString *vidText, QString *pidText)
{
    const int comma = entryText.indexOf(QLatin1Char(','));
    if (comma < 0) {
        // Not an entry of the table: nothing sensible to take apart.
        *vidText = entryText;
        *pidText = QString();
        return;
    }
    *vidText = entryText.left(comma);
    *pidText = entryText.mid(comma + 1, comma);
}

int idFromText(const QString &idText)
{
    bool ok = false;
    const uint value = idText.trimmed().toUInt(&ok, 16);
    // USB ids are 16 bits; a longer number cannot name a device.
    return ok && value <= 0xFFFF ? int(value) : 0;
}

QString shortId(const QString &idText)
{
    return idText.right(4);
}

bool isMagneticPlatform(const QString &vidText, const QString &pidText)
{
    return vidText == QLatin1String("0x0416") && pidText == QLatin1String("0x7372");
}

bool isMagneticShortIds(const QString &shortVid, const QString &shortPid)
{
    return shortVid == QLatin1String("0416") && shortPid == QLatin1String("7372");
}

} // namespace deviceTable
