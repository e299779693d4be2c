#include "testWorkflow.h"

namespace {

constexpr int FirstLedType = 1;
constexpr int LastLedType = 5;
constexpr int LightOff = 99;

} // namespace

LedTypeStep stepLedType(int currentLedType, int direction, bool ledTestOpen)
{
    LedTypeStep step;
    if (!ledTestOpen || (direction != -1 && direction != 1))
        return step;

    step.applied = true;
    // The cycle only ever holds 1..5; anything else restarts it at the end the
    // step moves towards instead of selecting a colour button that is not there.
    if (currentLedType < FirstLedType || currentLedType > LastLedType)
        currentLedType = direction < 0 ? LastLedType + 1 : FirstLedType - 1;
    if (direction < 0) {
        step.ledType = currentLedType - 1;
        if (step.ledType <= 0)
            step.ledType = LastLedType;
        step.logLine = "------------- Left m_CurrentLedType: " + std::to_string(step.ledType);
    } else {
        step.ledType = currentLedType + 1;
        if (step.ledType > LastLedType)
            step.ledType = FirstLedType;
        step.logLine = "------------- Right m_CurrentLedType: " + std::to_string(step.ledType);
    }
    return step;
}

void TestWorkflow::keyTestStarted()
{
    m_controls.startTest = false;
    m_controls.stopTest = true;
}

void TestWorkflow::keyTestStopped()
{
    m_controls.startTest = true;
    m_controls.stopTest = false;
}

bool TestWorkflow::chooseStandardTest()
{
    const bool leaveMagnetic = m_bMagnetic;
    if (leaveMagnetic)
        m_controls.productionShown = false;
    m_bIrTest = false;
    m_controls.irKeyTest = false;
    m_controls.standardTestChecked = true;
    // The caller starts the key test, which leaves Start disabled and Stop enabled.
    return leaveMagnetic;
}

bool TestWorkflow::chooseIrTest()
{
    m_bIrTest = true;
    m_controls.standardTestChecked = false;
    if (!m_bConnected)
        return false;
    m_controls.irKeyTest = true;
    return true;
}

void TestWorkflow::holdKeyTest()
{
    m_controls.startTest = false;
    m_controls.stopTest = false;
}

void TestWorkflow::productionStarted()
{
    m_controls.irKeyTest = false;
    m_controls.productionShown = true;
}

void TestWorkflow::productionFinished()
{
    m_controls.irKeyTest = true;
}

LightChange TestWorkflow::toggleLightTest(int storedType)
{
    if (m_bLedTestOpen) {
        m_controls.colourButtons = false;
        m_controls.ledTestOpen = false;
        m_bLedTestOpen = false;
        return chooseLightType(LightOff);
    }
    m_controls.colourButtons = true;
    m_controls.ledTestOpen = true;
    m_bLedTestOpen = true;
    return chooseLightType(storedType);
}

LightChange TestWorkflow::closeLightTest()
{
    m_bLedTestOpen = true;
    return toggleLightTest(LightOff);
}

LightChange TestWorkflow::chooseLightType(int testType)
{
    LightChange change;
    if (!m_bConnected)
        return change;
    m_currentTestType = testType;
    change.send = true;
    change.testType = testType;
    return change;
}

LedTypeStep TestWorkflow::stepLightType(int direction)
{
    const LedTypeStep step = stepLedType(m_CurrentLedType, direction, m_bLedTestOpen);
    if (step.applied)
        m_CurrentLedType = step.ledType;
    return step;
}

bool TestWorkflow::resetKeyboard(bool *closeLightFirst) const
{
    if (closeLightFirst)
        *closeLightFirst = m_bConnected && m_bLedTestOpen;
    return m_bConnected;
}

void TestWorkflow::deviceRemoved()
{
    m_bConnected = false;
    m_bIrTest = false;
    m_bLedTestOpen = false;
    m_controls.startTest = true;
    m_controls.stopTest = false;
    m_controls.irKeyTest = false;
    m_controls.colourButtons = false;
    m_controls.ledTestOpen = false;
    m_controls.productionShown = false;
    m_controls.standardTestChecked = true;
}

LightChange TestWorkflow::windowClosing()
{
    if (!m_bLedTestOpen)
        return LightChange();
    return chooseLightType(LightOff);
}
