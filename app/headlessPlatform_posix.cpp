#include "headlessPlatform.h"

#include <QByteArray>
#include <QtGlobal>

namespace headlessPlatform {

void choose()
{
    // Qt's offscreen platform draws the pages all the same.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace headlessPlatform
