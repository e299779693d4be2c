#include "hidAccessHint.h"

#include <cerrno>

namespace hidAccessHint {

QString explain(const QByteArray &path, int accessError)
{
    const QString where = QString::fromLatin1(path);
    switch (accessError) {
    case 0:
        return QString();
    case EACCES:
    case EPERM:
        return QStringLiteral("No permission to read and write %1: install the udev rule %2 (see README), "
                              "then unplug and replug the keyboard")
            .arg(where, QLatin1String(kUdevRuleFile));
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("%1 is gone: the keyboard was unplugged").arg(where);
    default:
        return QStringLiteral("%1 cannot be opened (error %2)").arg(where).arg(accessError);
    }
}

QString forPath(const QByteArray &path)
{
    return explain(path, probeAccess(path));
}

} // namespace hidAccessHint
