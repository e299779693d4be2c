#include "interfaceMatch.h"

bool isVendorInterface(const char * /*path*/, int interfaceNumber)
{
    return interfaceNumber == 2;
}
