#pragma once

enum class ProductionVerdict
{
    None,
    Successful,
    Failed
};

// What one magnetic calibration answer does. The verdict is the firmware's, read from the status byte
// alone and never from the masks: status 0 passes even when its masks name no key.
struct CalibrationStep
{
    bool applyMasks = false;
    ProductionVerdict verdict = ProductionVerdict::None;
    bool finished = false; // the production test is over: animation stopped, test button enabled again
};

// 0: masks + Successful; 1: masks, running; 2: Failed, no masks; other: nothing
CalibrationStep calibrationStep(int status);
