#include "calibrationVerdict.h"

CalibrationStep calibrationStep(int status)
{
    switch (status) {
    case 0:
        return {true, ProductionVerdict::Successful, true};
    case 1:
        return {true, ProductionVerdict::None, false};
    case 2:
        return {false, ProductionVerdict::Failed, true};
    default:
        // Other statuses mean something to the firmware only; they change nothing here.
        return {};
    }
}
