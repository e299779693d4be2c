#pragma once

#include "deviceChange.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class PresenceBackend;

// Tells when a keyboard with the selected ids is plugged in or pulled out.
// Windows reports plugging to a window, so the window hands its handle to
// start() and its native messages to handleNativeMessage(); under Linux the
// unit watches udev by itself and needs neither. Lives on the GUI thread.
class DevicePresence : public QObject
{
    Q_OBJECT

public:
    explicit DevicePresence(QObject *parent = nullptr);
    ~DevicePresence() override;

    // Last four hexadecimal digits of the vendor and product id ("0416",
    // "b23c"). Anything else matches no device.
    void setIds(const QString &vid4, const QString &pid4);

    // Whether start() needs the window's native handle. Where it does not,
    // the caller must not force one into existence just to pass it.
    bool needsWindowHandle() const;

    // Starts watching. Returns the system's error code of every part that
    // failed to start (empty when all took); the rest keeps working.
    std::vector<unsigned long> start(std::uintptr_t windowHandle = 0);

    // For every native message of the window (Windows: a MSG*). Emits on a
    // matching arrival or removal; returns whether it was a device message.
    // The window still lets the toolkit handle the message as usual.
    bool handleNativeMessage(const void *message);

    // Feeds one kernel event as the udev monitor would (tests, the simulator).
    void injectUdevEvent(const deviceChange::UdevEvent &event);

signals:
    void sigDeviceArrived(const QString &path);
    void sigDeviceRemoved(const QString &path);

private:
    void deliver(deviceChange::Kind kind, const std::string &path);

    std::string m_vid4, m_pid4;
    deviceChange::UdevPresenceFilter m_udevFilter;
    std::unique_ptr<PresenceBackend> m_backend;
};
