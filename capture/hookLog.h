#pragma once

#include <functional>
#include <string>

// Where the capture code writes its debug lines. The capture code has no
// toolkit of its own, so the program hands it a sink that feeds its debug log;
// until then (and in the plain Windows test program) lines go to standard error.
using HookLogSink = std::function<void(const std::string &line)>;

// An empty sink restores the standard-error default.
void setHookLogSink(HookLogSink sink);

void hookLog(const std::string &line);
