#pragma once

// Whether an enumerated HID interface is the keyboard's vendor interface
// (USB interface 2). Windows names the interface in its path ("mi_02");
// hidraw and macOS paths do not carry it, but hidapi reports the interface
// number there. One implementation file per platform, chosen by the build.
bool isVendorInterface(const char *path, int interfaceNumber);
