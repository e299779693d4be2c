#include "headlessPlatform.h"

namespace headlessPlatform {

void choose()
{
    // Every Windows session has a desktop to draw on: the program's own
    // platform plugin does, and no other is shipped.
}

} // namespace headlessPlatform
