#pragma once

#include <QString>

// The program's version. Its one source is project(... VERSION) in the top
// CMakeLists.txt, which also names the Windows installer and fills its
// uninstall entry, so a station shows the same version everywhere.
namespace toolVersion {

// The suffix the window title has always shown: " V1.01.08" for 1.1.8, minor
// and patch in two digits each.
QString titleSuffix(int major, int minor, int patch);

// This build's suffix.
QString titleSuffix();

// This build's version as project() gives it: "1.1.8".
QString text();

} // namespace toolVersion
