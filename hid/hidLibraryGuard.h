#pragma once

// hidapi keeps process-wide state that hid_exit tears down. On the Windows and
// libusb back ends, tearing it down while another handle is still open breaks
// that handle, and hidapi's global functions are not safe to call from two
// threads at once. The link opens handles from the GUI thread (the link
// itself) and from pool threads (the identity read during enumeration), so all
// of hidapi's global calls go through here: they are serialised, open handles
// are counted, and hid_exit runs only when the last handle taken here closes.

struct hid_device_;
struct hid_device_info;

namespace hidLibraryGuard {

int init();
struct hid_device_info *enumerateAll();
void freeEnumeration(struct hid_device_info *list);
// hid_open_path; null on failure.
struct hid_device_ *openPath(const char *path);
// hid_close, then hid_exit when no other handle taken here is open. Null is ignored.
void close(struct hid_device_ *device);
int openHandleCount();

} // namespace hidLibraryGuard
