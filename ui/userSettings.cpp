#include "userSettings.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace userSettings {

const char *const IdGroup = "hidCon";
const char *const VidEntry = "vid";
const char *const PidEntry = "pid";
const char *const LightGroup = "lighetTest";
const char *const TestTypeEntry = "testType";

namespace {

QString key(const char *group, const char *entry)
{
    return keyPath(QLatin1String(group), QLatin1String(entry));
}

QString textValue(const QSettings &settings, const QString &key)
{
    const QVariant value = settings.value(key);
    // An unquoted comma makes the INI reader return a list; keep the text as typed.
    if (value.type() == QVariant::StringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

// Written at once, so a file that cannot be written shows up in the log at the
// moment it matters rather than silently at exit.
void commit(QSettings &settings)
{
    settings.sync();
    if (settings.status() == QSettings::AccessError)
        qDebug().noquote() << QStringLiteral(
                                  "---------- *** settings file not written: %1 (kept in memory) *** ----------")
                                  .arg(settings.fileName());
}

} // namespace

QString keyPath(const QString &group, const QString &entry)
{
    return QStringLiteral("/%1/%2").arg(group, entry);
}

QString prepareConfigFile(const QString &appDataDir)
{
    QDir().mkpath(appDataDir);
    const QString folder = QStringLiteral("%1/UserConfig").arg(appDataDir);
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/Config.ini");

    const QFileInfo info(path);
    if (info.isFile() && info.size() > MaxFileBytes) {
        const QString aside = path + QStringLiteral(".bad");
        QFile::remove(aside);
        const bool moved = QFile::rename(path, aside);
        qDebug().noquote() << QStringLiteral(
                                  "---------- *** settings file of %1 bytes is not a settings file; %2 *** ----------")
                                  .arg(info.size())
                                  .arg(moved ? QStringLiteral("moved to ") + aside
                                             : QStringLiteral("could not be moved aside, it is left unread"));
    }
    return path;
}

bool hasIds(const QSettings &settings)
{
    return settings.contains(key(IdGroup, VidEntry)) && settings.contains(key(IdGroup, PidEntry));
}

QString storedVidText(const QSettings &settings)
{
    return textValue(settings, key(IdGroup, VidEntry));
}

QString storedPidText(const QSettings &settings)
{
    return textValue(settings, key(IdGroup, PidEntry));
}

void writeIds(QSettings &settings, const QString &vidText, const QString &pidText)
{
    settings.setValue(key(IdGroup, VidEntry), vidText);
    settings.setValue(key(IdGroup, PidEntry), pidText);
    commit(settings);
}

bool hasTestType(const QSettings &settings)
{
    return settings.contains(key(LightGroup, TestTypeEntry));
}

int storedTestType(const QSettings &settings)
{
    bool ok = false;
    const int type = settings.value(key(LightGroup, TestTypeEntry)).toString().trimmed().toInt(&ok);
    return ok ? type : 0;
}

void writeTestType(QSettings &settings, int testType)
{
    settings.setValue(key(LightGroup, TestTypeEntry), testType);
    commit(settings);
}

QString storedOperator(const QSettings &settings)
{
    return textValue(settings, QStringLiteral("/station/operator")).trimmed();
}

void writeOperator(QSettings &settings, const QString &name)
{
    settings.setValue(QStringLiteral("/station/operator"), name.trimmed());
    commit(settings);
}

} // namespace userSettings
