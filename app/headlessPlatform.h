#pragma once

// The Qt platform for a mode of the command line that draws (the results
// report): one that needs no display, so it runs from a shell over SSH or a
// scheduled job. A platform chosen in QT_QPA_PLATFORM is kept.
namespace headlessPlatform {

// Before the application object is made.
void choose();

} // namespace headlessPlatform
