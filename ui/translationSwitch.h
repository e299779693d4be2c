#pragma once

#include <QString>

class QTranslator;

// Swapping the interface language: the application carries at most one of our
// translators at a time, and the caller keeps it (the main window's
// m_translator) so it can be removed again on the next switch.
namespace translationSwitch {

// Catalogue of a language: <appDir>/translation/<language>.qm, or in the
// installation's data folder where there is no translation/ beside the
// program (programFiles.h).
QString catalogPath(const QString &appDir, const QString &language);

// Replaces `current` by a translator for `language`'s catalogue under appDir.
// Returns false, logs "------------- File No Have ------------------" and leaves
// `current` installed when there is no such catalogue file; a name that is not
// a plain file name (empty, a path, "." or "..") counts as missing, so it can
// never reach a file outside the translation folder. Returns true when the file
// exists, even if it fails to load: the new translator then stays uninstalled
// and the texts fall back to their source language.
bool apply(QTranslator *&current, const QString &appDir, const QString &language);

} // namespace translationSwitch
