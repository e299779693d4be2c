#include "verdictSettings.h"

#include <QDebug>
#include <QDir>
#include <QSettings>
#include <QStringList>

namespace {

// Every key of the groups named `group` in any letter case.
SettingValues valuesOf(QSettings &file, const QString &group)
{
    SettingValues values;
    for (const QString &name : file.childGroups()) {
        if (name.compare(group, Qt::CaseInsensitive) != 0)
            continue;
        file.beginGroup(name);
        for (const QString &key : file.childKeys()) {
            // A value with a comma reads back as a list; joined, it is reported as written.
            const QVariant value = file.value(key);
            const QString text =
                value.type() == QVariant::StringList ? value.toStringList().join(QLatin1Char(',')) : value.toString();
            values.emplace_back(key.toStdString(), text.toStdString());
        }
        file.endGroup();
    }
    return values;
}

bool isChatterMs(const std::pair<std::string, std::string> &entry)
{
    return QString::fromStdString(entry.first).trimmed().compare(QLatin1String("chatterMs"), Qt::CaseInsensitive) == 0;
}

} // namespace

VerdictCriteria readVerdictSettings(const QString &dataDir)
{
    QSettings file(QDir(dataDir).filePath(QStringLiteral("Config.ini")), QSettings::IniFormat);
    SettingValues values = valuesOf(file, QStringLiteral("verdict"));
    if (std::none_of(values.begin(), values.end(), isChatterMs)) {
        for (const auto &entry : valuesOf(file, QStringLiteral("results"))) {
            if (isChatterMs(entry))
                values.push_back(entry);
        }
    }
    const VerdictCriteria criteria = verdictCriteriaFrom(values);
    for (const std::string &setting : criteria.notUnderstood)
        qDebug().noquote() << QStringLiteral("---------- *** Config.ini Settings: %1 not understood *** ----------")
                                  .arg(QString::fromStdString(setting));
    return criteria;
}
