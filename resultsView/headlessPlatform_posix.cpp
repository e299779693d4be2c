#include "reportCommand.h"

#include <QtGlobal>

namespace reportCommand {

void chooseHeadlessPlatform()
{
    // A shell over SSH or a cron job has no display; the offscreen platform
    // draws the pages all the same.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace reportCommand
