#include "hookLog.h"

#include <cstdio>

namespace {

HookLogSink &sinkSlot()
{
    static HookLogSink sink;
    return sink;
}

} // namespace

void setHookLogSink(HookLogSink sink)
{
    sinkSlot() = std::move(sink);
}

void hookLog(const std::string &line)
{
    const HookLogSink &sink = sinkSlot();
    if (sink) {
        sink(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}
