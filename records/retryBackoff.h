#pragma once

// How long the writer waits before it tries a refusing store again: the
// first delay after the first failure, doubled after each further one up to
// the most, and the first again once a write went through. A store that stays
// locked or unreachable for hours is then tried a few times a minute rather
// than every few seconds.
class RetryBackoff
{
public:
    RetryBackoff(int firstMs, int mostMs);

    // The delay after one more failure.
    int nextDelayMs();
    void reset() { m_failures = 0; }
    int failures() const { return m_failures; }

private:
    int m_firstMs;
    int m_mostMs;
    int m_failures = 0;
};
