#include "stalledPipe.h"

// Windows's named pipes live outside the file system, where a log file's
// folder cannot be made: there is no stalled file to be had.
StalledPipe::StalledPipe() = default;

StalledPipe::~StalledPipe() = default;

void StalledPipe::startReading() {}

QByteArray StalledPipe::text()
{
    return QByteArray();
}
