#include "keyLayoutParser.h"

KeyLayout parseKeyLayout(const char *)
{
    return {};
}
