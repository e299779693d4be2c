#include "interfaceMatch.h"

#include <cstring>

bool isVendorInterface(const char *path, int /*interfaceNumber*/)
{
    // Plain, case-sensitive: the path as the system spells it.
    return path && std::strstr(path, "mi_02") != nullptr;
}
