#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

struct libevdev;
class InputBatchQueue;

// Reads the device source's input nodes on a thread of its own, so a key is
// taken from the kernel the moment it is there, whatever the GUI thread is
// doing, with the kernel's own time on each event. What it reads goes to the
// queue; wake is called, on the reader's thread, when a batch begins. While
// no key comes the thread sleeps in poll() and costs nothing.
class InputNodeReader
{
public:
    struct Node
    {
        std::string path;
        int fd = -1;
        libevdev *device = nullptr;
    };

    InputNodeReader(InputBatchQueue &queue, std::function<void()> wake);
    ~InputNodeReader();

    InputNodeReader(const InputNodeReader &) = delete;
    InputNodeReader &operator=(const InputNodeReader &) = delete;

    // Reads these nodes from now on (a reading in progress is stopped first).
    // They stay the caller's and must stay open until stop() returns. False
    // with the reason when the thread cannot be started.
    bool start(std::vector<Node> nodes, std::string *why);
    // Returns once the thread has ended.
    void stop();

private:
    void run(std::vector<Node> nodes);

    InputBatchQueue &m_queue;
    std::function<void()> m_wake;
    // Written to end the thread's poll().
    int m_stopFd = -1;
    std::thread m_thread;
};
