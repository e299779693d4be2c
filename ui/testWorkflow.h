#pragma once

#include <string>

// The operator's side of a test, without a single widget: which test mode is
// chosen, whether a keyboard is connected, whether the light test is open and
// with which colour, whether a production run is under way. Every operator
// action and every device event goes through here first; the answer says which
// controls are enabled afterwards and which report, if any, must go out. The
// window copies the controls onto its widgets and sends the reports.

// What the controls show after an event.
struct ControlStates
{
    bool startTest = true;
    bool stopTest = false;
    bool irKeyTest = false;
    bool colourButtons = false;
    // Icon of the light button: open or closed.
    bool ledTestOpen = false;
    // The production animation and its label are shown.
    bool productionShown = false;
    // The standard-test radio button is the checked one.
    bool standardTestChecked = true;
};

// A light report to send: the light test type (0..4 colour, any other value
// lights red, 99 light off).
struct LightChange
{
    bool send = false;
    int testType = 0;
};

// One step of the light colour type cycle 1..5 (1 RGB .. 5 W).
struct LedTypeStep
{
    bool applied = false; // false: the light test is closed, nothing changes
    int ledType = 0;      // the new m_CurrentLedType when applied
    // The log text and the new value, one space apart as the debug stream
    // separates them; empty when not applied.
    std::string logLine;
};

// direction -1 steps back (<= 0 wraps to 5), +1 forward (> 5 wraps to 1);
// any other direction changes nothing.
LedTypeStep stepLedType(int currentLedType, int direction, bool ledTestOpen);

class TestWorkflow
{
public:
    enum class IrCheck
    {
        KeyCheck,      // every platform but the magnetic one: the key check
        MagneticEnter, // the magnetic platform: enter the calibration run
    };

    const ControlStates &controls() const { return m_controls; }
    bool connected() const { return m_bConnected; }
    bool irTest() const { return m_bIrTest; }
    bool ledTestOpen() const { return m_bLedTestOpen; }
    int currentTestType() const { return m_currentTestType; }
    int currentLedType() const { return m_CurrentLedType; }
    bool magnetic() const { return m_bMagnetic; }
    bool productionRunning() const { return m_controls.productionShown; }

    void setConnected(bool connected) { m_bConnected = connected; }
    void setMagnetic(bool magnetic) { m_bMagnetic = magnetic; }

    void keyTestStarted();
    void keyTestStopped();

    // The standard test was chosen. True when the magnetic leave report must go
    // out (the magnetic platform); the key test is then started by the caller.
    bool chooseStandardTest();
    // The IR/HE test was chosen. True when the running key test must be
    // stopped (only while connected; otherwise only the mode changes).
    bool chooseIrTest();
    // After that stop: neither Start nor Stop can be clicked until the
    // standard test is chosen again.
    void holdKeyTest();
    IrCheck irCheck() const { return m_bMagnetic ? IrCheck::MagneticEnter : IrCheck::KeyCheck; }
    // The magnetic enter report was handed to the link: the run is under way.
    void productionStarted();
    // The firmware's verdict arrived (or the run was left): the run is over.
    void productionFinished();

    // The light button. storedType is the saved colour type when the light
    // test opens. The report goes out only while connected.
    LightChange toggleLightTest(int storedType);
    // The closing branch whatever the light test showed: another keyboard is
    // chosen, and the old one goes dark while it still listens.
    LightChange closeLightTest();
    // A colour type (0..4, or 99 light off): sent and remembered only while
    // connected.
    LightChange chooseLightType(int testType);
    // Ctrl+Left (-1) / Ctrl+Right (+1) while the light test is open.
    LedTypeStep stepLightType(int direction);

    // Factory reset: false while not connected (nothing at all happens).
    // *closeLightFirst: the light test is open and must be closed (its
    // light-off report going out) before the reset report.
    bool resetKeyboard(bool *closeLightFirst) const;

    // The keyboard went away (removal, lost link, platform change): the test
    // ends, the light test is marked closed without a report, the production
    // run is over and the standard test is shown as selected. The mode follows
    // what is shown, so key-state answers of the next keyboard are echoed.
    void deviceRemoved();

    // The window closes: the light-off report while the light test is open.
    LightChange windowClosing();

private:
    ControlStates m_controls;
    bool m_bConnected = false;
    bool m_bMagnetic = false;
    bool m_bIrTest = false;
    bool m_bLedTestOpen = false;
    int m_currentTestType = 0;
    int m_CurrentLedType = 1;
};
