#include "devicePresence.h"
#include "devicePresenceBackend.h"

// Where neither window notifications nor udev exist (macOS), plugging is not
// followed: the tool connects to a keyboard found at start or on a device
// selection.

namespace {

class GenericBackend : public PresenceBackend
{
public:
    bool needsWindowHandle() const override { return false; }
    std::vector<unsigned long> start(std::uintptr_t) override { return {}; }
    bool readNativeMessage(const void *, deviceChange::WindowsDeviceMessage &) const override { return false; }
};

} // namespace

std::unique_ptr<PresenceBackend> makePresenceBackend(DevicePresence &)
{
    return std::make_unique<GenericBackend>();
}
