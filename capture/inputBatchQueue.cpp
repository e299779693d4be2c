#include "inputBatchQueue.h"

#include <utility>

bool InputBatchQueue::push(InputChunk chunk)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool first = m_chunks.empty();
    m_events += chunk.events.size();
    m_chunks.push_back(std::move(chunk));
    return first;
}

std::vector<InputChunk> InputBatchQueue::take()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events = 0;
    return std::exchange(m_chunks, {});
}

bool InputBatchQueue::hasRoom() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events < MaxEvents;
}
