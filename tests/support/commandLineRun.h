#pragma once

#include "commandLine.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

// The program's command line with the modes `add` gives it, run on args as
// main() runs it: -1 when they would open the window, else the exit code.
inline int runCommandLine(const std::function<void(CommandLine &)> &add, const QStringList &args,
                          QString *out = nullptr, QString *err = nullptr)
{
    QString outText;
    QString errText;
    QTextStream outStream(&outText);
    QTextStream errStream(&errText);
    CommandLine commandLine{QString(), QString()};
    add(commandLine);
    int code = -1;
    if (commandLine.parse(QStringList{"TavrinKeyboardTest"} + args) == CommandLine::Outcome::Command)
        code = commandLine.run(outStream, errStream);
    if (out)
        *out = outText;
    if (err)
        *err = errText;
    return code;
}
