#pragma once

// A program started by a test keeps its settings, log, store and
// single-instance key under a temporary folder of the test's own, apart from
// any real copy on this machine and from the other tests running beside it.

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// The environment for the program, or an empty one when the folders could
// not be made. Its data folder is root's "data/TavrinKeyboardTest".
inline QProcessEnvironment privateProgramHome(const QTemporaryDir &root)
{
    if (!root.isValid())
        return {};
    for (const char *folder : {"home", "data", "config", "ipc", "runtime"}) {
        if (!QDir(root.path()).mkdir(QLatin1String(folder)))
            return {};
    }
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
    // The single-instance segment's key file lives in the temporary folder.
    env.insert(QStringLiteral("TMPDIR"), root.filePath(QStringLiteral("ipc")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}
