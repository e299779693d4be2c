#include "programFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace programFiles {

QString folderHolding(const QString &appDir, const QString &relativePath)
{
    if (QFileInfo::exists(appDir + QLatin1Char('/') + relativePath))
        return appDir;
    // Set by the build from the installation's layout (bin/ and share/...).
    const QString installed = QDir::cleanPath(appDir + QStringLiteral("/" TKT_DATA_FROM_BIN));
    if (QFileInfo::exists(installed + QLatin1Char('/') + relativePath))
        return installed;
    return appDir;
}

QString folderHolding(const QString &relativePath)
{
    return folderHolding(QCoreApplication::applicationDirPath(), relativePath);
}

QString path(const QString &relativePath)
{
    return folderHolding(relativePath) + QLatin1Char('/') + relativePath;
}

} // namespace programFiles
