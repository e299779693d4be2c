#pragma once

#include "captureBackend.h"
#include "unitLockState.h"

#include <string>
#include <vector>

// A capture source that starts or refuses as told, recording each start (with
// the unit) and each stop in a log that outlives it (the switch owns the fake).
struct CaptureBackendLog
{
    std::vector<KeyboardUnderTest> starts;
    int stops = 0;
    std::string refusal; // empty: it starts
    UnitLockState locks;
};

class CaptureBackendFake : public CaptureBackend
{
public:
    CaptureBackendFake(CaptureBackendLog *log, bool keepsLocks) : m_log(log), m_keepsLocks(keepsLocks) {}
    bool start(const KeyboardUnderTest &unit, std::string *why) override
    {
        m_log->starts.push_back(unit);
        *why = m_log->refusal;
        m_active = m_log->refusal.empty();
        return m_active;
    }
    void stop() override { m_log->stops += m_active ? 1 : 0, m_active = false; }
    bool isActive() const override { return m_active; }
    std::string describe() const override { return "fake"; }
    const UnitLockState *unitLocks() const override { return m_keepsLocks ? &m_log->locks : nullptr; }
    void lose() { m_active = false; } // its nodes went with the unit

private:
    CaptureBackendLog *m_log;
    bool m_keepsLocks;
    bool m_active = false;
};
