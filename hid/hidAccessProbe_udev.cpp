#include "hidAccessHint.h"

#include <cerrno>
#include <libudev.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hidAccessHint {

int probeAccess(const QByteArray &path)
{
    // Only device nodes say anything about permissions; other paths (for
    // instance a simulated keyboard's) are not files at all.
    if (!path.startsWith("/dev/"))
        return 0;
    if (::access(path.constData(), R_OK | W_OK) == 0)
        return 0;
    return errno;
}

bool nodeSettingUp(const QByteArray &path)
{
    // Without udevd nobody will ever change the node: nothing to wait for.
    if (!path.startsWith("/dev/") || ::access("/run/udev/control", F_OK) != 0)
        return false;
    struct stat node
    {
    };
    if (::stat(path.constData(), &node) != 0 || !S_ISCHR(node.st_mode))
        return false;
    udev *context = udev_new();
    if (!context)
        return false;
    bool settingUp = false;
    if (udev_device *device = udev_device_new_from_devnum(context, 'c', node.st_rdev)) {
        settingUp = udev_device_get_is_initialized(device) <= 0;
        udev_device_unref(device);
    }
    udev_unref(context);
    return settingUp;
}

} // namespace hidAccessHint
