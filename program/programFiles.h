#pragma once

#include <QString>

// Where the program finds the files it ships with (the key layout, the
// interface catalogues). First beside its executable, as in the build tree,
// a Windows installation or an unpacked zip; then in the data folder of an
// installation on Linux, found from the executable's folder
// (/usr/bin/tavrin-keyboard-test reads /usr/share/tavrin-keyboard-test), so
// a package and a source build installed under any prefix both work.
namespace programFiles {

// The folder under which relativePath (a file or a folder) exists: appDir,
// else the installation's data folder. Where it exists in neither, appDir,
// so that a log line about the missing file names the usual place.
QString folderHolding(const QString &appDir, const QString &relativePath);

// The same for this program's own executable.
QString folderHolding(const QString &relativePath);

// folderHolding(relativePath) + "/" + relativePath.
QString path(const QString &relativePath);

} // namespace programFiles
