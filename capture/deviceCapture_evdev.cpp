// The device source under Linux: the keyboard under test's own input event
// nodes, each opened and taken for this process alone (EVIOCGRAB), so the
// unit's keys reach no other program while every other keyboard keeps working
// for the desktop. Events carry the kernel's CLOCK_MONOTONIC time. Lock keys
// never reach the system while grabbed, so the unit's LEDs are written here
// from the lock state the unit's own keys make.
//
// Events are read on a thread of their own (InputNodeReader) and handed to
// the GUI thread in batches, where they are translated and handed on.

#include "captureBackend.h"
#include "deviceKeyTranslation.h"
#include "hookLog.h"
#include "inputBatchQueue.h"
#include "inputNodeAccess.h"
#include "inputNodeList.h"
#include "inputNodeReader.h"
#include "keyboardHookCore.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <libevdev/libevdev.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace {

// Nodes of a keyboard just plugged in that udev is still setting up are
// looked at again this often, this many times (3 s), then given up.
constexpr int SetUpRetryMs = 100;
constexpr int SetUpRetries = 30;
constexpr int LockLeds[] = {LED_NUML, LED_CAPSL, LED_SCROLLL};

std::string hex(std::uint32_t value)
{
    char text[16] = {};
    std::snprintf(text, sizeof text, "0x%x", unsigned(value));
    return text;
}

struct Node
{
    std::string path;
    int fd = -1;
    libevdev *device = nullptr;
    bool hasLed[3] = {};
    bool ledBefore[3] = {};
};

class EvdevDeviceCapture : public CaptureBackend
{
public:
    EvdevDeviceCapture()
        : m_reader(m_batches, [this] {
              QMetaObject::invokeMethod(
                  &m_context, [this] { takeBatch(); }, Qt::QueuedConnection);
          })
    {
        QObject::connect(&m_waitingTimer, &QTimer::timeout, &m_context, [this] { openWaitingNodes(); });
    }
    ~EvdevDeviceCapture() override { stop(); }

    bool start(const KeyboardUnderTest &unit, std::string *why) override;
    void stop() override;
    bool isActive() const override { return !m_nodes.empty() || !m_waiting.empty(); }
    std::string describe() const override;
    const UnitLockState *unitLocks() const override { return &m_translator.locks(); }

private:
    bool openNode(const std::string &path, std::string *why);
    void seedLocks(const Node &node);
    void openWaitingNodes();
    void closeNode(Node &node, bool restoreLeds);
    // The reader thread goes on with the nodes open now.
    bool readNodes(std::string *why);
    void takeBatch();
    void writeLeds();
    void dropNode(const std::string &path, const std::string &why);

    std::vector<std::unique_ptr<Node>> m_nodes;
    std::vector<std::string> m_waiting;
    int m_waitingRetries = 0;
    bool m_locksSeeded = false;
    DeviceKeyTranslator m_translator;
    // Receiver of the timer and of the reader's wake-ups; they die with it.
    QObject m_context;
    QTimer m_waitingTimer;
    // Counts starts and stops, so a batch that handed on a key which stopped
    // capture does not touch what went with it.
    unsigned m_generation = 0;
    InputBatchQueue m_batches;
    InputNodeReader m_reader;
};

bool EvdevDeviceCapture::start(const KeyboardUnderTest &unit, std::string *why)
{
    stop();
    std::string error;
    const std::vector<InputNodeInfo> nodes = inputNodeList::list(&error);
    if (!error.empty()) {
        *why = error;
        return false;
    }
    InputNodeWanted wanted;
    wanted.vendorId = unit.vendorId;
    wanted.productId = unit.productId;
    wanted.usbDevice = inputNodeList::usbDeviceOf(unit.linkPath);
    const std::vector<std::string> paths = matchInputNodes(nodes, wanted);
    if (wanted.usbDevice.empty()) {
        *why = "no link has named the unit's USB device yet";
        // Nothing is opened; but a node of the platform the operator could
        // not open anyway is named, as the link's own refusal has the same
        // cause (the udev rule) and the same remedy.
        InputNodeWanted anyUnit = wanted;
        anyUnit.anyUsbDevice = true;
        for (const std::string &path : matchInputNodes(nodes, anyUnit)) {
            if (::access(path.c_str(), R_OK | W_OK) != 0) {
                *why = inputNodeAccess::explain(path, errno, false);
                break;
            }
        }
        return false;
    }
    if (paths.empty()) {
        char ids[16] = {};
        std::snprintf(ids, sizeof ids, "%04x:%04x", unsigned(unit.vendorId), unsigned(unit.productId));
        *why = std::string("no input device with keys belongs to the keyboard ") + ids;
        return false;
    }
    m_translator.clear();
    m_waiting = nodesBeingSetUp(nodes, paths);
    for (const std::string &path : paths) {
        if (std::find(m_waiting.begin(), m_waiting.end(), path) == m_waiting.end() && !openNode(path, why)) {
            stop();
            return false;
        }
    }
    if (!isActive()) {
        *why = "none of the keyboard's input devices reports keys";
        return false;
    }
    ++m_generation;
    for (const std::unique_ptr<Node> &node : m_nodes)
        seedLocks(*node);
    if (!m_nodes.empty() && !readNodes(why)) {
        stop();
        return false;
    }
    if (!m_waiting.empty()) {
        m_waitingRetries = 0;
        m_waitingTimer.start(SetUpRetryMs);
    }
    return true;
}

bool EvdevDeviceCapture::readNodes(std::string *why)
{
    std::vector<InputNodeReader::Node> nodes;
    for (const std::unique_ptr<Node> &node : m_nodes)
        nodes.push_back({node->path, node->fd, node->device});
    // Events the reader took before the restart are queued already.
    return m_reader.start(std::move(nodes), why);
}

void EvdevDeviceCapture::seedLocks(const Node &node)
{
    // The unit's lock state starts as its LEDs show it.
    if (m_locksSeeded || !(node.hasLed[0] || node.hasLed[1] || node.hasLed[2]))
        return;
    m_translator.locks().setLeds(node.ledBefore[0], node.ledBefore[1], node.ledBefore[2]);
    m_locksSeeded = true;
}

void EvdevDeviceCapture::openWaitingNodes()
{
    std::string error;
    const std::vector<InputNodeInfo> nodes = inputNodeList::list(&error);
    const std::vector<std::string> stillWaiting = nodesBeingSetUp(nodes, m_waiting);
    const bool givingUp = ++m_waitingRetries >= SetUpRetries;
    const std::size_t readBefore = m_nodes.size();
    for (const std::string &path : m_waiting) {
        const bool waiting = std::find(stillWaiting.begin(), stillWaiting.end(), path) != stillWaiting.end();
        std::string why;
        const std::size_t opened = m_nodes.size();
        if (waiting && !givingUp)
            continue;
        if (waiting)
            hookLog("Key capture: udev has not set up " + path + " within 3 s; its keys are not taken");
        else if (!error.empty() || !openNode(path, &why))
            hookLog("Key capture: " + (error.empty() ? why : error));
        else if (m_nodes.size() > opened)
            seedLocks(*m_nodes.back());
    }
    std::string why;
    if (m_nodes.size() > readBefore && !readNodes(&why))
        hookLog("Key capture: " + why);
    m_waiting = givingUp ? std::vector<std::string>() : stillWaiting;
    if (m_waiting.empty())
        m_waitingTimer.stop();
    if (!isActive())
        hookLog("Key capture: none of the keyboard's input devices is left, capture ended");
}

bool EvdevDeviceCapture::openNode(const std::string &path, std::string *why)
{
    // Read and write: the lock LEDs are written to the node.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *why = inputNodeAccess::explain(path, errno, false);
        return false;
    }
    auto node = std::make_unique<Node>();
    node->path = path;
    node->fd = fd;
    int rc = libevdev_new_from_fd(fd, &node->device);
    if (rc < 0) {
        node->device = nullptr;
        closeNode(*node, false);
        *why = inputNodeAccess::explain(path, -rc, false);
        return false;
    }
    if (!libevdev_has_event_type(node->device, EV_KEY)) {
        closeNode(*node, false);
        return true;
    }
    rc = libevdev_grab(node->device, LIBEVDEV_GRAB);
    if (rc < 0) {
        closeNode(*node, false);
        *why = inputNodeAccess::explain(path, -rc, true);
        return false;
    }
    // Kernel times on the clock chatter and latency are measured on; the
    // default would follow wall-clock changes.
    rc = libevdev_set_clock_id(node->device, CLOCK_MONOTONIC);
    if (rc < 0)
        hookLog("Key capture: " + path + " keeps its default clock: " + inputNodeAccess::explain(path, -rc, false));
    for (int i = 0; i < 3; ++i) {
        node->hasLed[i] = libevdev_has_event_code(node->device, EV_LED, LockLeds[i]);
        node->ledBefore[i] = node->hasLed[i] && libevdev_get_event_value(node->device, EV_LED, LockLeds[i]) != 0;
    }
    // Keys already down (Ctrl held as the test starts) count for the Ctrl
    // state and the Alt flag.
    for (int code = 0; code < EvdevKeyCodeCount; ++code) {
        if (libevdev_get_event_value(node->device, EV_KEY, code) == 1)
            m_translator.setDown(code, true);
    }
    m_nodes.push_back(std::move(node));
    return true;
}

void EvdevDeviceCapture::closeNode(Node &node, bool restoreLeds)
{
    if (restoreLeds && node.fd >= 0) {
        // The desktop gets the keyboard back as it showed before the test.
        std::array<input_event, 4> events = {};
        std::size_t count = 0;
        for (int i = 0; i < 3; ++i) {
            if (!node.hasLed[i])
                continue;
            events[count].type = EV_LED;
            events[count].code = static_cast<std::uint16_t>(LockLeds[i]);
            events[count].value = node.ledBefore[i] ? 1 : 0;
            ++count;
        }
        if (count > 0) {
            events[count].type = EV_SYN;
            events[count].code = SYN_REPORT;
            ++count;
            const ssize_t written = ::write(node.fd, events.data(), count * sizeof(input_event));
            (void)written; // a node that is gone has no LEDs to restore
        }
    }
    if (node.device) {
        libevdev_grab(node.device, LIBEVDEV_UNGRAB);
        libevdev_free(node.device);
        node.device = nullptr;
    }
    if (node.fd >= 0)
        ::close(node.fd);
    node.fd = -1;
}

void EvdevDeviceCapture::stop()
{
    ++m_generation;
    // No node is read once this returns; what was read and not yet handed on
    // belongs to the capture that ends.
    m_reader.stop();
    m_batches.take();
    m_waitingTimer.stop();
    m_waiting.clear();
    m_locksSeeded = false;
    for (std::unique_ptr<Node> &node : m_nodes)
        closeNode(*node, true);
    m_nodes.clear();
    m_translator.clear();
}

std::string EvdevDeviceCapture::describe() const
{
    std::string text;
    for (const std::unique_ptr<Node> &node : m_nodes)
        text += (text.empty() ? "" : " ") + node->path;
    for (const std::string &path : m_waiting)
        text += (text.empty() ? "" : " ") + path + " (once udev has set it up)";
    return text;
}

void EvdevDeviceCapture::takeBatch()
{
    // Taken whole: however many keys came since the last batch, they are
    // handed on in one go, so the page repaints once for all of them.
    const std::vector<InputChunk> batch = m_batches.take();
    // A key's handling may stop capture, or stop and start it again.
    const unsigned generation = m_generation;
    for (const InputChunk &chunk : batch) {
        if (chunk.resynced)
            hookLog("Key capture: " + chunk.path + " dropped events; the keys' states are read again");
        m_translator.endFrame();
        for (const InputEventRecord &record : chunk.events) {
            if (generation != m_generation)
                return;
            DeviceKeyEvent key;
            if (!m_translator.handle(record, &key))
                continue;
            if (key.lockToggled)
                writeLeds();
            if (!key.key.isValid()) {
                hookLog("---------------- device: key code " + std::to_string(key.evdevCode) + " (scan " +
                        hex(key.deviceScan) + ") has no Windows key, not shown");
                continue;
            }
            // The grab already keeps the event from every other program.
            keyboardHookCore().handleKeyEvent(0, key.key.vkCode, key.key.scanCode, key.key.flags, key.ctrlDown,
                                              key.timeUs);
        }
        if (generation != m_generation)
            return;
        if (chunk.lostError != 0)
            dropNode(chunk.path, inputNodeAccess::explain(chunk.path, chunk.lostError, false));
    }
}

void EvdevDeviceCapture::writeLeds()
{
    for (const std::unique_ptr<Node> &node : m_nodes) {
        std::array<input_event, 4> events = {};
        std::size_t count = 0;
        for (int i = 0; i < 3; ++i) {
            if (!node->hasLed[i])
                continue;
            events[count].type = EV_LED;
            events[count].code = static_cast<std::uint16_t>(LockLeds[i]);
            events[count].value = m_translator.locks().ledOn(LockLeds[i]) ? 1 : 0;
            ++count;
        }
        if (count == 0)
            continue;
        events[count].type = EV_SYN;
        events[count].code = SYN_REPORT;
        ++count;
        const ssize_t bytes = static_cast<ssize_t>(count * sizeof(input_event));
        const ssize_t written = ::write(node->fd, events.data(), static_cast<std::size_t>(bytes));
        if (written != bytes)
            hookLog("Key capture: the lock LEDs of " + node->path +
                    " cannot be set: " + inputNodeAccess::explain(node->path, written < 0 ? errno : EIO, false));
    }
}

void EvdevDeviceCapture::dropNode(const std::string &path, const std::string &why)
{
    const auto lost = std::find_if(m_nodes.begin(), m_nodes.end(),
                                   [&](const std::unique_ptr<Node> &node) { return node->path == path; });
    if (lost == m_nodes.end())
        return; // dropped already
    // A node is closed only while no thread reads it.
    m_reader.stop();
    closeNode(**lost, false);
    m_nodes.erase(lost);
    hookLog("Key capture: " + why);
    std::string readerWhy;
    if (!m_nodes.empty() && !readNodes(&readerWhy))
        hookLog("Key capture: " + readerWhy);
    if (!isActive()) {
        m_translator.clear();
        hookLog("Key capture: none of the keyboard's input devices is left, capture ended");
    }
}

} // namespace

std::unique_ptr<CaptureBackend> makeDeviceCapture()
{
    return std::make_unique<EvdevDeviceCapture>();
}
