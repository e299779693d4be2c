#pragma once

#include "captureBackend.h"
#include "unitLockState.h"

#include <string>
#include <vector>

// A capture source under the test's control: it starts or refuses as told and
// records each start (with the unit it was given) and each stop. The record
// outlives the fake, which the switch owns.
struct CaptureBackendLog
{
    std::vector<KeyboardUnderTest> starts;
    int stops = 0;
    bool refuse = false;
    std::string refusal = "refused";
    UnitLockState locks;
};

class CaptureBackendFake : public CaptureBackend
{
public:
    CaptureBackendFake(CaptureBackendLog *log, bool keepsLocks) : m_log(log), m_keepsLocks(keepsLocks) {}

    bool start(const KeyboardUnderTest &unit, std::string *why) override
    {
        m_log->starts.push_back(unit);
        if (m_log->refuse) {
            *why = m_log->refusal;
            return false;
        }
        m_active = true;
        return true;
    }
    void stop() override
    {
        m_log->stops += m_active ? 1 : 0;
        m_active = false;
    }
    bool isActive() const override { return m_active; }
    std::string describe() const override { return "fake"; }
    const UnitLockState *unitLocks() const override { return m_keepsLocks ? &m_log->locks : nullptr; }

    // The nodes went away (the unit was unplugged).
    void lose() { m_active = false; }

private:
    CaptureBackendLog *m_log;
    bool m_keepsLocks;
    bool m_active = false;
};
