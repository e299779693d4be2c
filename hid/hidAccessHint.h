#pragma once

// When a keyboard's interface cannot be opened, the debug log should say why
// in words an operator's technician can act on: most often on Linux the
// hidraw node is not accessible to the logged-in user because the udev rule
// is not installed.

#include <QByteArray>
#include <QString>

namespace hidAccessHint {

constexpr const char *kUdevRuleFile = "70-tavrin-keyboard-test.rules";

// The errno with which the platform would refuse to open path for reading and
// writing, or 0 when it would not or cannot tell. One implementation per
// platform (hidAccessProbe_*.cpp).
int probeAccess(const QByteArray &path);

// Whether the device manager is still setting up the node at path (its group
// and access lists come a moment after the kernel makes it), so a refused open
// is worth trying again shortly. False where there is no such step.
bool nodeSettingUp(const QByteArray &path);

// The words for the log given the path and probeAccess's answer; empty when
// there is nothing useful to add.
QString explain(const QByteArray &path, int accessError);

// explain(path, probeAccess(path)).
QString forPath(const QByteArray &path);

} // namespace hidAccessHint
