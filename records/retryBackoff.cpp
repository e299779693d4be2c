#include "retryBackoff.h"

#include <algorithm>

RetryBackoff::RetryBackoff(int firstMs, int mostMs) : m_firstMs(std::max(1, firstMs)), m_mostMs(std::max(1, mostMs))
{
    m_mostMs = std::max(m_mostMs, m_firstMs);
}

int RetryBackoff::nextDelayMs()
{
    long long delay = m_firstMs;
    // Doubling stops at the most long before the count could overflow.
    for (int i = 0; i < m_failures && delay < m_mostMs; ++i)
        delay *= 2;
    if (m_failures < 64)
        ++m_failures;
    return static_cast<int>(std::min<long long>(delay, m_mostMs));
}
