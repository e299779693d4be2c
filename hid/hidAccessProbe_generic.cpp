#include "hidAccessHint.h"

namespace hidAccessHint {

// Windows and macOS grant the logged-in user HID access without a rule file;
// a failed open there has no cause this tool can name.
int probeAccess(const QByteArray &)
{
    return 0;
}

bool nodeSettingUp(const QByteArray &)
{
    return false;
}

} // namespace hidAccessHint
