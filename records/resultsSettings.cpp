#include "resultsSettings.h"

#include <QDir>
#include <QSettings>

ResultsSettings readResultsSettings(const QString &dataDir)
{
    ResultsSettings settings;
    const QSettings file(QDir(dataDir).filePath(QStringLiteral("Config.ini")), QSettings::IniFormat);
    settings.lineUrl = file.value(QStringLiteral("results/url")).toString().trimmed();
    bool ok = false;
    const int ms = file.value(QStringLiteral("results/chatterMs")).toInt(&ok);
    if (ok && ms >= 0 && ms <= 1000)
        settings.chatterThresholdMs = ms;
    return settings;
}
