#include "readWaitSchedule.h"

namespace readWaitSchedule {

int readWaitMs(std::int64_t quietMs)
{
    // As long as the quiet so far: each wait doubles it.
    if (quietMs < FirstWaitMs)
        return FirstWaitMs;
    if (quietMs > IdleWaitMs)
        return IdleWaitMs;
    return int(quietMs);
}

} // namespace readWaitSchedule
