#pragma once

#include "lockKeyState.h"

#include <QSet>

// Lock toggle states under the test's control: the test keeps `toggled` and may
// change it while the page owns the fake.
class lockKeyStateFake : public lockKeyState
{
public:
    lockKeyStateFake(const QSet<int> *toggled, int *reads) : m_toggled(toggled), m_reads(reads) {}

    bool isToggled(int vkCode) override
    {
        ++*m_reads;
        return m_toggled->contains(vkCode);
    }

private:
    const QSet<int> *m_toggled;
    int *m_reads;
};
