#pragma once

// Recognising the selected keyboard among the system's device arrival and
// removal notices. Plain C++ without the toolkit or any platform header: the
// Windows message and the udev event are described here by the few values the
// decision needs, so the rules build and are tested on every platform.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace deviceChange {

enum class Kind
{
    None,
    Arrival,
    Removal
};

// Exactly four hexadecimal digits each. Anything else matches no device: an
// empty id would otherwise be found in every path.
bool idsValid(const std::string &vid4, const std::string &pid4);

// The path contains both ids, anywhere and in any letter case. False when the
// ids are not valid.
bool pathMatchesIds(const std::string &path, const std::string &vid4, const std::string &pid4);

// --- Windows ------------------------------------------------------------------

constexpr unsigned kWmDeviceChange = 0x0219;
constexpr std::uintptr_t kDeviceArrival = 0x8000;
constexpr std::uintptr_t kDeviceRemoveComplete = 0x8004;
constexpr std::uint32_t kDeviceTypeInterface = 5;

// The interface record as Windows lays it out, little-endian, without padding:
// size, device type and a reserved word (the common header), the interface
// class GUID, then the UTF-16 path, normally zero-terminated.
struct InterfaceRecordLayout
{
    std::uint32_t size;
    std::uint32_t deviceType;
    std::uint32_t reserved;
    std::uint8_t classGuid[16];
    char16_t name[1];
};
constexpr std::size_t kHeaderBytes = 12;
constexpr std::size_t kNameOffset = offsetof(InterfaceRecordLayout, name);
static_assert(kNameOffset == 28 && sizeof(InterfaceRecordLayout) == 32, "not Windows' record layout");
// No interface path comes near this; a larger size is not believed.
constexpr std::size_t kMaxRecordBytes = kNameOffset + 2 * 4096;

// Only arrival and removal notices point at a record; for every other
// wParam the message's lParam must not be followed.
bool carriesRecord(std::uintptr_t wParam);

struct WindowsDeviceMessage
{
    unsigned message;
    std::uintptr_t wParam;
    const void *record;      // may be null
    std::size_t recordBytes; // readable bytes at record
};

struct Recognition
{
    Kind kind;
    std::string path; // UTF-8; empty unless kind is not None
};

// Arrival or removal of a device interface whose path names both ids. Reads
// neither past recordBytes nor past the record's own size.
Recognition recognizeWindowsMessage(const WindowsDeviceMessage &message, const std::string &vid4,
                                    const std::string &pid4);

// --- Linux (udev) -------------------------------------------------------------

// The values of one kernel event as udev reports it. PRODUCT is the kernel's
// "416/b23c/100" (hex without leading zeros); ID_VENDOR_ID and ID_MODEL_ID are
// udev's "0416" and "b23c".
struct UdevEvent
{
    std::string action, subsystem, devtype, devpath, product, idVendor, idModel;
};

struct PresenceEvent
{
    Kind kind;
    std::string path; // holds both ids, so pathMatchesIds accepts it
};

// One plug makes several kernel events (the device, each interface, the HID
// and hidraw nodes); only the USB device's own event counts, so a plug is one
// arrival. Removal events need not carry the ids, so the devices seen
// arriving are remembered by devpath.
class UdevPresenceFilter
{
public:
    void setIds(const std::string &vid4, const std::string &pid4);
    PresenceEvent feed(const UdevEvent &event);

private:
    bool namesIds(const UdevEvent &event) const;
    bool remembered(const std::string &devpath) const;
    void forget(const std::string &devpath);
    std::string pathFor(const std::string &devpath) const;

    std::string m_vid4, m_pid4;
    std::deque<std::string> m_devpaths;
};

} // namespace deviceChange
