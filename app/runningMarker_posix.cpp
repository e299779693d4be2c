#include "runningMarker.h"

RunningMarker::RunningMarker() = default;

RunningMarker::~RunningMarker() = default;
