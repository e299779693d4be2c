#include "verdictSettings.h"

#include <QDebug>
#include <QDir>
#include <QSettings>
#include <QStringList>

VerdictCriteria readVerdictSettings(const QString &dataDir)
{
    QSettings file(QDir(dataDir).filePath(QStringLiteral("Config.ini")), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("verdict"));
    std::map<std::string, std::string> values;
    for (const QString &key : file.childKeys()) {
        // A value with a comma reads back as a list; joined, it is reported as written.
        const QVariant value = file.value(key);
        const QString text =
            value.type() == QVariant::StringList ? value.toStringList().join(QLatin1Char(',')) : value.toString();
        values[key.toStdString()] = text.toStdString();
    }
    std::vector<std::string> problems;
    const VerdictCriteria criteria = verdictCriteriaFrom(values, &problems);
    for (const std::string &problem : problems)
        qDebug().noquote() << QStringLiteral("---------- *** Config.ini [verdict] %1 *** ----------")
                                  .arg(QString::fromStdString(problem));
    return criteria;
}
