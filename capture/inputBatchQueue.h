#pragma once

#include "deviceKeyTranslation.h"

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

// What a reader of input nodes read from one node in one go, in the order
// the kernel gave it.
struct InputChunk
{
    std::string path;
    std::vector<InputEventRecord> events;
    // The kernel dropped events before these and the keys' states were read
    // again (the difference comes as events among these).
    bool resynced = false;
    // The node failed with this error (an errno) after these events; nothing
    // more comes from it.
    int lostError = 0;
};

// Hands what a reader thread reads to the GUI thread in batches. The reader
// pushes and is told to wake the consumer only for the first chunk of a
// batch; the consumer takes the whole batch at once, however much joined it
// meanwhile, so a burst of keys costs one wake-up and one repaint. The
// hand-over goes through the queue's own lock, which ThreadSanitizer sees.
class InputBatchQueue
{
public:
    // Events held at most. A reader that finds no room stops reading until
    // there is: the kernel then drops events and says so, and the keys'
    // states are read again, rather than the queue growing without end while
    // the consumer is stuck.
    static constexpr std::size_t MaxEvents = std::size_t(1) << 16;

    // True when the consumer is to be woken: the queue was empty.
    bool push(InputChunk chunk);
    // Everything pushed since the last take, oldest first.
    std::vector<InputChunk> take();
    bool hasRoom() const;

private:
    mutable std::mutex m_mutex;
    std::vector<InputChunk> m_chunks;
    std::size_t m_events = 0;
};
