#include "programConsole.h"

namespace programConsole {

QStringList arguments(int argc, char **argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

void useParentConsole() {}

} // namespace programConsole
