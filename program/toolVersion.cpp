#include "toolVersion.h"

namespace toolVersion {

QString titleSuffix(int major, int minor, int patch)
{
    return QStringLiteral(" V%1.%2.%3")
        .arg(major)
        .arg(minor, 2, 10, QLatin1Char('0'))
        .arg(patch, 2, 10, QLatin1Char('0'));
}

QString titleSuffix()
{
    return titleSuffix(TKT_VERSION_MAJOR, TKT_VERSION_MINOR, TKT_VERSION_PATCH);
}

QString text()
{
    return QStringLiteral("%1.%2.%3").arg(TKT_VERSION_MAJOR).arg(TKT_VERSION_MINOR).arg(TKT_VERSION_PATCH);
}

} // namespace toolVersion
