#include "devicePresence.h"

#include "devicePresenceBackend.h"

DevicePresence::DevicePresence(QObject *parent) : QObject(parent), m_backend(makePresenceBackend(*this)) {}

// Here, where PresenceBackend is complete.
DevicePresence::~DevicePresence() = default;

void DevicePresence::setIds(const QString &vid4, const QString &pid4)
{
    m_vid4 = vid4.toStdString();
    m_pid4 = pid4.toStdString();
    m_udevFilter.setIds(m_vid4, m_pid4);
}

bool DevicePresence::needsWindowHandle() const
{
    return m_backend->needsWindowHandle();
}

std::vector<unsigned long> DevicePresence::start(std::uintptr_t windowHandle)
{
    return m_backend->start(windowHandle);
}

bool DevicePresence::handleNativeMessage(const void *message)
{
    deviceChange::WindowsDeviceMessage device{};
    if (!message || !m_backend->readNativeMessage(message, device))
        return false;
    const deviceChange::Recognition seen = deviceChange::recognizeWindowsMessage(device, m_vid4, m_pid4);
    deliver(seen.kind, seen.path);
    return true;
}

void DevicePresence::injectUdevEvent(const deviceChange::UdevEvent &event)
{
    const deviceChange::PresenceEvent seen = m_udevFilter.feed(event);
    deliver(seen.kind, seen.path);
}

void DevicePresence::deliver(deviceChange::Kind kind, const std::string &path)
{
    if (kind == deviceChange::Kind::Arrival)
        emit sigDeviceArrived(QString::fromStdString(path));
    else if (kind == deviceChange::Kind::Removal)
        emit sigDeviceRemoved(QString::fromStdString(path));
}
