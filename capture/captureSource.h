#pragma once

#include <string>

// Where the key test takes its keys from, as "[capture] source=" names it in
// Config.ini: the keyboard under test's own input devices, the whole display,
// or the first of the two that can be had.
enum class CaptureSource
{
    Auto,
    Device,
    Display,
};

// "auto", "device" or "display", in any case and with blanks around; an empty
// text is Auto. Anything else is Auto too, with *known false so the caller can
// say so.
CaptureSource parseCaptureSource(const std::string &text, bool *known);

const char *captureSourceName(CaptureSource source);
