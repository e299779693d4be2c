#include "inputNodeAccess.h"

#include <cerrno>
#include <cstring>

namespace inputNodeAccess {

std::string explain(const std::string &path, int error, bool grabbing)
{
    if (grabbing && error == EBUSY)
        return "another program holds " + path + " for itself";
    switch (error) {
    case EACCES:
    case EPERM:
        return "no permission on " + path + ": install the udev rule " + UdevRuleFile +
               " (see README), then unplug and replug the keyboard";
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return path + " is gone: the keyboard was unplugged";
    default:
        return path + (grabbing ? " cannot be grabbed: " : " cannot be opened: ") + std::strerror(error);
    }
}

} // namespace inputNodeAccess
