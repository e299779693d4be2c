// The device source under Linux: the keyboard under test's own input event
// nodes, each opened and taken for this process alone (EVIOCGRAB), so the
// unit's keys reach no other program while every other keyboard keeps working
// for the desktop. Events carry the kernel's CLOCK_MONOTONIC time. Lock keys
// never reach the system while grabbed, so the unit's LEDs are written here
// from the lock state the unit's own keys make.
//
// Events are read on the GUI thread (a socket notifier per node), like the
// display grab's.

#include "captureBackend.h"
#include "deviceKeyTranslation.h"
#include "hookLog.h"
#include "inputNodeAccess.h"
#include "inputNodeList.h"
#include "keyboardHookCore.h"

#include <QMetaObject>
#include <QObject>
#include <QSocketNotifier>
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

// Events taken from one node per wake-up; the rest are read on a queued call
// (libevdev may already hold them, where the notifier cannot see them).
constexpr int MaxEventsPerWake = 256;
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
    QSocketNotifier *notifier = nullptr;
    // In the middle of a resynchronisation after the kernel dropped events.
    bool syncing = false;
    bool hasLed[3] = {};
    bool ledBefore[3] = {};
};

class EvdevDeviceCapture : public CaptureBackend
{
public:
    EvdevDeviceCapture()
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
    void watch(Node &node);
    void seedLocks(const Node &node);
    void openWaitingNodes();
    void closeNode(Node &node, bool restoreLeds);
    void readNode(const std::string &path);
    void scheduleRead(const std::string &path);
    void writeLeds();
    Node *findNode(const std::string &path);
    void dropNode(const std::string &path, const std::string &why);

    std::vector<std::unique_ptr<Node>> m_nodes;
    std::vector<std::string> m_waiting;
    int m_waitingRetries = 0;
    bool m_locksSeeded = false;
    DeviceKeyTranslator m_translator;
    // Receiver of the notifiers and of queued reads; they die with it.
    QObject m_context;
    QTimer m_waitingTimer;
    // Counts starts and stops, so a read that handed on a key which stopped
    // capture does not touch what went with it.
    unsigned m_generation = 0;
    bool m_reading = false;
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
        watch(*node);
    if (!m_waiting.empty()) {
        m_waitingRetries = 0;
        m_waitingTimer.start(SetUpRetryMs);
    }
    return true;
}

void EvdevDeviceCapture::watch(Node &node)
{
    seedLocks(node);
    const std::string path = node.path;
    node.notifier = new QSocketNotifier(node.fd, QSocketNotifier::Read);
    QObject::connect(node.notifier, &QSocketNotifier::activated, &m_context, [this, path] { readNode(path); });
    // Opening may already have queued events.
    scheduleRead(path);
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
            watch(*m_nodes.back());
    }
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
    if (node.notifier) {
        node.notifier->setEnabled(false);
        // Stopped from inside a key's handling, the notifier is still in use.
        if (m_reading)
            node.notifier->deleteLater();
        else
            delete node.notifier;
        node.notifier = nullptr;
    }
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

Node *EvdevDeviceCapture::findNode(const std::string &path)
{
    for (std::unique_ptr<Node> &node : m_nodes) {
        if (node->path == path)
            return node.get();
    }
    return nullptr;
}

void EvdevDeviceCapture::scheduleRead(const std::string &path)
{
    const unsigned generation = m_generation;
    QMetaObject::invokeMethod(
        &m_context,
        [this, path, generation] {
            if (generation == m_generation)
                readNode(path);
        },
        Qt::QueuedConnection);
}

void EvdevDeviceCapture::readNode(const std::string &path)
{
    Node *node = findNode(path);
    if (!node)
        return;
    // Read first, hand on after: a key's handling may stop capture.
    std::array<InputEventRecord, MaxEventsPerWake> batch = {};
    int count = 0;
    int lostError = 0;
    while (count < MaxEventsPerWake) {
        input_event event = {};
        const int rc = libevdev_next_event(node->device,
                                           node->syncing ? LIBEVDEV_READ_FLAG_SYNC : LIBEVDEV_READ_FLAG_NORMAL, &event);
        if (rc == -EAGAIN) {
            if (!node->syncing)
                break;
            node->syncing = false; // the resynchronisation is complete
            continue;
        }
        if (rc < 0) {
            lostError = -rc;
            break;
        }
        if (rc == LIBEVDEV_READ_STATUS_SYNC && !node->syncing) {
            // The kernel's buffer overflowed: libevdev hands the difference
            // to the state it knew as events, so no key stays held or lost.
            node->syncing = true;
            hookLog("Key capture: " + path + " dropped events; the keys' states are read again");
            continue;
        }
        InputEventRecord &record = batch[static_cast<std::size_t>(count++)];
        record.type = event.type;
        record.code = event.code;
        record.value = event.value;
        record.timeUs = std::int64_t(event.input_event_sec) * 1000000 + std::int64_t(event.input_event_usec);
    }
    const bool more = count == MaxEventsPerWake;

    const unsigned generation = m_generation;
    m_reading = true;
    m_translator.endFrame();
    for (int i = 0; i < count && generation == m_generation; ++i) {
        DeviceKeyEvent key;
        if (!m_translator.handle(batch[static_cast<std::size_t>(i)], &key))
            continue;
        if (key.lockToggled)
            writeLeds();
        if (!key.key.isValid()) {
            hookLog("---------------- device: key code " + std::to_string(key.evdevCode) + " (scan " +
                    hex(key.deviceScan) + ") has no Windows key, not shown");
            continue;
        }
        // The grab already keeps the event from every other program.
        keyboardHookCore().handleKeyEvent(0, key.key.vkCode, key.key.scanCode, key.key.flags, key.ctrlDown, key.timeUs);
    }
    if (generation == m_generation) {
        // Still inside the notifier's own signal: dropping the node defers
        // the notifier's deletion.
        if (lostError != 0)
            dropNode(path, inputNodeAccess::explain(path, lostError, false));
        else if (more)
            scheduleRead(path);
    }
    m_reading = false;
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
    for (auto it = m_nodes.begin(); it != m_nodes.end(); ++it) {
        if ((*it)->path != path)
            continue;
        closeNode(**it, false);
        m_nodes.erase(it);
        break;
    }
    hookLog("Key capture: " + why);
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
