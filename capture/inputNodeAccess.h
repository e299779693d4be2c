#pragma once

#include <string>

// The words for the log when an input node of the unit cannot be opened or
// grabbed, so a technician knows what to do: most often the udev rule that
// lets the operator open the unit's nodes is not installed.
namespace inputNodeAccess {

constexpr const char *UdevRuleFile = "70-tavrin-keyboard-test.rules";

// error: the errno of open(), or of the grab when grabbing is true.
std::string explain(const std::string &path, int error, bool grabbing);

} // namespace inputNodeAccess
