#include "inputNodeReader.h"

#include "inputBatchQueue.h"

#include <libevdev/libevdev.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// Events taken from one node before the others get their turn; the rest are
// read right after (libevdev may already hold them, where poll() cannot see
// them).
constexpr int MaxEventsPerRead = 256;
// How often a reader whose queue is full looks again.
constexpr int FullQueuePauseMs = 10;

struct Reading
{
    InputNodeReader::Node node;
    // In the middle of a resynchronisation after the kernel dropped events.
    // A reader starts as if it were, and as if more were waiting: a reader
    // before it (stopped when a node came or went) may have left a
    // resynchronisation half done, which a normal read would throw away, or
    // events libevdev holds where poll() cannot see them. A sync read with
    // nothing to resynchronise, and a read with nothing waiting, return at
    // once.
    bool syncing = true;
    // Stopped at MaxEventsPerRead with more to come.
    bool more = true;
    bool lost = false;
};

InputChunk readSome(Reading &reading)
{
    InputChunk chunk;
    chunk.path = reading.node.path;
    int count = 0;
    while (count < MaxEventsPerRead) {
        input_event event = {};
        const int rc = libevdev_next_event(
            reading.node.device, reading.syncing ? LIBEVDEV_READ_FLAG_SYNC : LIBEVDEV_READ_FLAG_NORMAL, &event);
        if (rc == -EAGAIN) {
            if (!reading.syncing)
                break;
            reading.syncing = false; // the resynchronisation is complete
            continue;
        }
        if (rc < 0) {
            chunk.lostError = -rc;
            reading.lost = true;
            break;
        }
        if (rc == LIBEVDEV_READ_STATUS_SYNC && !reading.syncing) {
            // The kernel's buffer overflowed: libevdev hands the difference
            // to the state it knew as events, so no key stays held or lost.
            reading.syncing = true;
            chunk.resynced = true;
            continue;
        }
        InputEventRecord record;
        record.type = event.type;
        record.code = event.code;
        record.value = event.value;
        record.timeUs = std::int64_t(event.input_event_sec) * 1000000 + std::int64_t(event.input_event_usec);
        chunk.events.push_back(record);
        ++count;
    }
    reading.more = !reading.lost && count == MaxEventsPerRead;
    return chunk;
}

} // namespace

InputNodeReader::InputNodeReader(InputBatchQueue &queue, std::function<void()> wake)
    : m_queue(queue), m_wake(std::move(wake)), m_stopFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

InputNodeReader::~InputNodeReader()
{
    stop();
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

bool InputNodeReader::start(std::vector<Node> nodes, std::string *why)
{
    stop();
    if (m_stopFd < 0) {
        *why = "no event descriptor to stop a reader thread with: " + std::string(std::strerror(errno));
        return false;
    }
    try {
        m_thread = std::thread([this, nodes = std::move(nodes)]() mutable { run(std::move(nodes)); });
    } catch (const std::system_error &error) {
        *why = std::string("no thread to read the keys on: ") + error.what();
        return false;
    }
    return true;
}

void InputNodeReader::stop()
{
    if (!m_thread.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_stopFd, &one, sizeof one);
    m_thread.join();
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_stopFd, &count, sizeof count);
}

void InputNodeReader::run(std::vector<Node> nodes)
{
    std::vector<Reading> readings;
    for (Node &node : nodes)
        readings.push_back({std::move(node)});
    std::vector<pollfd> fds;
    std::vector<Reading *> polled;
    for (;;) {
        fds.assign(1, pollfd{m_stopFd, POLLIN, 0});
        polled.clear();
        bool more = false;
        for (Reading &reading : readings) {
            if (reading.lost)
                continue;
            fds.push_back(pollfd{reading.node.fd, POLLIN, 0});
            polled.push_back(&reading);
            more = more || reading.more;
        }
        const bool room = m_queue.hasRoom();
        const int timeoutMs = !room ? FullQueuePauseMs : more ? 0 : -1;
        // Without room only the stop is watched, so the nodes are left unread.
        const int rc = ::poll(fds.data(), room ? nfds_t(fds.size()) : 1, timeoutMs);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0) {
            // Not with valid descriptors; should it happen, every node is
            // reported lost rather than left unread without a word.
            const int error = errno;
            bool wake = false;
            for (Reading *reading : polled) {
                InputChunk chunk;
                chunk.path = reading->node.path;
                chunk.lostError = error;
                wake = m_queue.push(std::move(chunk)) || wake;
            }
            if (wake)
                m_wake();
            return;
        }
        if (fds[0].revents != 0)
            return;
        if (!room)
            continue;
        bool wake = false;
        for (std::size_t i = 0; i < polled.size(); ++i) {
            Reading &reading = *polled[i];
            if (fds[i + 1].revents == 0 && !reading.more)
                continue;
            InputChunk chunk = readSome(reading);
            if (!chunk.events.empty() || chunk.resynced || chunk.lostError != 0)
                wake = m_queue.push(std::move(chunk)) || wake;
        }
        if (wake)
            m_wake();
    }
}
