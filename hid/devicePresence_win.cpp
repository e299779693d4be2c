#include "deviceNotify_win.h"
#include "devicePresence.h"
#include "devicePresenceBackend.h"

// Windows: the notices come as WM_DEVICECHANGE to the window registered for
// them, which hands every native message on to handleNativeMessage.

namespace {

class WindowsBackend : public PresenceBackend
{
public:
    ~WindowsBackend() override
    {
        for (HDEVNOTIFY handle : m_handles)
            UnregisterDeviceNotification(handle);
    }

    bool needsWindowHandle() const override { return true; }

    std::vector<unsigned long> start(std::uintptr_t windowHandle) override
    {
        if (!m_handles.empty())
            return {};
        return deviceNotify::registerDeviceNotify(reinterpret_cast<HWND>(windowHandle), &m_handles);
    }

    bool readNativeMessage(const void *message, deviceChange::WindowsDeviceMessage &out) const override
    {
        const auto *msg = static_cast<const MSG *>(message);
        if (msg->message != WM_DEVICECHANGE)
            return false;
        out = deviceNotify::deviceMessage(msg->message, msg->wParam, msg->lParam);
        return true;
    }

private:
    std::vector<HDEVNOTIFY> m_handles;
};

} // namespace

std::unique_ptr<PresenceBackend> makePresenceBackend(DevicePresence &)
{
    return std::make_unique<WindowsBackend>();
}
