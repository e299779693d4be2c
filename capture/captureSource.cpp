#include "captureSource.h"

#include <cctype>

CaptureSource parseCaptureSource(const std::string &text, bool *known)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    std::string word;
    for (std::size_t i = begin; i < end; ++i)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));

    if (known)
        *known = true;
    if (word.empty() || word == "auto")
        return CaptureSource::Auto;
    if (word == "device")
        return CaptureSource::Device;
    if (word == "display")
        return CaptureSource::Display;
    if (known)
        *known = false;
    return CaptureSource::Auto;
}

const char *captureSourceName(CaptureSource source)
{
    switch (source) {
    case CaptureSource::Device:
        return "device";
    case CaptureSource::Display:
        return "display";
    case CaptureSource::Auto:
        break;
    }
    return "auto";
}
