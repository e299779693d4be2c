// The store where the toolkit has no SQL module (the Windows toolkit at hand is
// built without it): the program still runs and tests, and every unit's record
// goes to the debug log as one line instead of a database that cannot be made.
#include "resultStore.h"

#include <QDebug>

ResultStore::ResultStore(const QString &dataDir, QObject *parent) : ResultStore(dataDir, Options(), parent) {}

ResultStore::ResultStore(const QString &dataDir, const Options &options, QObject *parent)
    : QObject(parent), m_filePath(dataDir + QStringLiteral("/results.sqlite")), m_options(options)
{
    qDebug().noquote() << "---------- *** unit records: this build has no SQL module, each record is logged "
                          "instead of stored *** ----------";
}

ResultStore::~ResultStore() = default;

void ResultStore::save(UnitRecord record)
{
    QString bad;
    for (int keyDec : record.keyCheckBadKeys)
        bad += QString::number(keyDec) + QLatin1Char(' ');
    qDebug().noquote() << QStringLiteral("---------- *** unit record %1: %2:%3 %4, %5 keys pressed, key check bad "
                                         "keys [%6], verdict %7, outcome %8, ended %9 *** ----------")
                              .arg(QString::fromStdString(record.unitId))
                              .arg(record.identity.vid, 4, 16, QLatin1Char('0'))
                              .arg(record.identity.pid, 4, 16, QLatin1Char('0'))
                              .arg(QString::fromStdString(record.identity.model))
                              .arg(record.keysPressed.size())
                              .arg(bad.trimmed())
                              .arg(QLatin1String(verdictName(record.verdict)))
                              .arg(QLatin1String(outcomeName(record.outcome)))
                              .arg(QLatin1String(unitEndName(record.ended)));
}
