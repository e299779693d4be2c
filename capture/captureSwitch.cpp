#include "captureSwitch.h"

#include "hookLog.h"
#include "unitLockState.h"

#include <cctype>
#include <cstdio>

namespace {

std::string idsText(const KeyboardUnderTest &unit)
{
    char text[16] = {};
    std::snprintf(text, sizeof text, "%04x:%04x", unsigned(unit.vendorId), unsigned(unit.productId));
    return text;
}

} // namespace

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

CaptureSwitch::CaptureSwitch(std::unique_ptr<CaptureBackend> device, std::unique_ptr<CaptureBackend> display)
    : m_device(std::move(device)), m_display(std::move(display))
{
}

CaptureSwitch::~CaptureSwitch()
{
    remove();
}

void CaptureSwitch::replaceBackends(std::unique_ptr<CaptureBackend> device, std::unique_ptr<CaptureBackend> display)
{
    remove();
    m_device = std::move(device);
    m_display = std::move(display);
}

bool CaptureSwitch::install()
{
    if (m_active == CaptureSource::Device) {
        if (m_device && m_device->isActive() && m_deviceUnit == m_unit)
            return true;
        // Another unit chosen, or its nodes went with it: start afresh.
        stopActive();
    } else if (m_active == CaptureSource::Display) {
        if (m_display && m_display->isActive()) {
            if (m_preference != CaptureSource::Auto || !m_unit.known())
                return true;
            std::string why;
            if (!startDevice(&why)) {
                hookLog("Key capture: stays on the display grab: " + why);
                return true;
            }
            m_display->stop();
            m_active = CaptureSource::Device;
            return true;
        }
        stopActive();
    }

    switch (m_preference) {
    case CaptureSource::Display:
        return startDisplay();
    case CaptureSource::Device: {
        std::string why;
        if (startDevice(&why))
            return true;
        hookLog("Key capture: the keyboard's own input devices cannot be taken ([capture] source=device): " + why);
        return false;
    }
    case CaptureSource::Auto:
        break;
    }
    std::string why;
    if (startDevice(&why))
        return true;
    hookLog("Key capture: falls back to the display grab: " + why);
    return startDisplay();
}

bool CaptureSwitch::startDevice(std::string *why)
{
    if (!m_unit.known()) {
        *why = "no keyboard chosen";
        return false;
    }
    if (!m_device) {
        *why = "no device capture on this platform";
        return false;
    }
    if (!m_device->start(m_unit, why))
        return false;
    m_active = CaptureSource::Device;
    m_deviceUnit = m_unit;
    hookLog("Key capture source: device (" + idsText(m_unit) + ": " + m_device->describe() + ")");
    return true;
}

bool CaptureSwitch::startDisplay()
{
    std::string why;
    if (!m_display || !m_display->start(m_unit, &why)) {
        if (!why.empty())
            hookLog("Key capture: the display grab cannot be taken: " + why);
        return false;
    }
    m_active = CaptureSource::Display;
    hookLog("Key capture source: display (" + m_display->describe() + ")");
    return true;
}

void CaptureSwitch::stopActive()
{
    if (m_active == CaptureSource::Device && m_device)
        m_device->stop();
    if (m_active == CaptureSource::Display && m_display)
        m_display->stop();
    m_active = CaptureSource::Auto;
}

void CaptureSwitch::remove()
{
    // Both, whatever the record says: releasing what is not held costs nothing.
    if (m_device)
        m_device->stop();
    if (m_display)
        m_display->stop();
    m_active = CaptureSource::Auto;
}

bool CaptureSwitch::isInstalled() const
{
    return activeSource() != CaptureSource::Auto;
}

CaptureSource CaptureSwitch::activeSource() const
{
    if (m_active == CaptureSource::Device && m_device && m_device->isActive())
        return CaptureSource::Device;
    if (m_active == CaptureSource::Display && m_display && m_display->isActive())
        return CaptureSource::Display;
    return CaptureSource::Auto;
}

std::string CaptureSwitch::sourceText() const
{
    switch (activeSource()) {
    case CaptureSource::Device:
        return m_device->describe();
    case CaptureSource::Display:
        return "display";
    case CaptureSource::Auto:
        break;
    }
    return std::string();
}

int CaptureSwitch::unitLockToggled(int vkCode) const
{
    if (activeSource() != CaptureSource::Device)
        return -1;
    const UnitLockState *locks = m_device->unitLocks();
    if (!locks)
        return -1;
    return locks->isToggled(vkCode) ? 1 : 0;
}
