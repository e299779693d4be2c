#include "translationSwitch.h"

#include "programFiles.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QTranslator>

namespace translationSwitch {

namespace {

bool isPlainName(const QString &language)
{
    return !language.isEmpty() && language != QLatin1String(".") && language != QLatin1String("..") &&
           !language.contains(QLatin1Char('/')) && !language.contains(QLatin1Char('\\'));
}

} // namespace

QString catalogPath(const QString &appDir, const QString &language)
{
    return programFiles::folderHolding(appDir, QStringLiteral("translation")) +
           QString("/translation/%1.qm").arg(language);
}

bool apply(QTranslator *&current, const QString &appDir, const QString &language)
{
    const QString path = catalogPath(appDir, language);
    // A directory of that name is no catalogue either.
    if (!isPlainName(language) || !QFileInfo(path).isFile()) {
        qDebug() << "------------- File No Have ------------------";
        return false;
    }

    if (current) {
        QCoreApplication::removeTranslator(current);
        delete current;
        current = nullptr;
    }

    current = new QTranslator;
    if (current->load(path))
        QCoreApplication::installTranslator(current);
    return true;
}

} // namespace translationSwitch
