#include "simKeyboard.h"

#include "firmwareAnswers.h"
#include "simRegistry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace sim {

Registry &registry()
{
    // Built on first use: the drop-in library's start-up may come before any
    // other static of this library is constructed.
    static Registry *r = new Registry;
    return *r;
}

namespace {

// Apart from the registry: the listener is called without its lock.
std::mutex &listenerMutex()
{
    static auto *m = new std::mutex;
    return *m;
}

PlugListener &plugListener()
{
    static auto *l = new PlugListener;
    return *l;
}

void notifyPlug(uint16_t vid, uint16_t pid, int keyboard, bool plugged)
{
    PlugListener listener;
    {
        std::lock_guard<std::mutex> lock(listenerMutex());
        listener = plugListener();
    }
    if (listener)
        listener(vid, pid, keyboard, plugged);
}

} // namespace

void setPlugListener(PlugListener listener)
{
    std::lock_guard<std::mutex> lock(listenerMutex());
    plugListener() = std::move(listener);
}

void completePaths(SimKeyboardConfig &config, int keyboardIndex)
{
    for (SimInterface &i : config.interfaces) {
        if (!i.path.empty())
            continue;
        // Ends in the interface's "mi_NN" as Windows paths do, so the link
        // finds the vendor interface the same way on every platform.
        char path[64];
        std::snprintf(path, sizeof path, "sim:%04x:%04x:%d:%d&mi_%02d", config.vendorId, config.productId,
                      keyboardIndex, i.number, i.number);
        i.path = path;
    }
}

void deliverLocked(Registry &r, int keyboard, int interfaceNumber, const uint8_t *data, int length,
                   Clock::time_point due)
{
    QueuedReport report;
    const int n = std::max(0, std::min(length, kReportSize));
    std::memcpy(report.bytes.data(), data, size_t(n));
    report.length = n;
    report.due = due;
    for (hid_device_ *h : r.handles) {
        if (h->dead || h->keyboard != keyboard || h->interfaceNumber != interfaceNumber)
            continue;
        if (int(h->input.size()) >= kInputQueueDepth) {
            ++r.stats.droppedReports;
            continue;
        }
        // Reports leave in the order they came, whatever their delays.
        if (!h->input.empty() && h->input.back().due > report.due)
            report.due = h->input.back().due;
        h->input.push_back(report);
        ++r.stats.deliveredReports;
    }
    r.arrived.notify_all();
}

namespace {

bool commandInterfaceOpen(const Registry &r, int keyboard)
{
    const KeyboardState &kb = r.keyboards[size_t(keyboard)];
    for (const hid_device_ *h : r.handles)
        if (!h->dead && h->keyboard == keyboard && h->interfaceNumber == kb.config.commandInterface)
            return true;
    return false;
}

void answer(Registry &r, int keyboard, const std::vector<uint8_t> &frame)
{
    KeyboardState &kb = r.keyboards[size_t(keyboard)];
    const auto due = Clock::now() + std::chrono::milliseconds(kb.config.answerDelayMs);
    deliverLocked(r, keyboard, kb.config.commandInterface, frame.data(), kb.config.reportLength, due);
}

} // namespace

void pumpLocked(Registry &r, int keyboard, Clock::time_point now)
{
    KeyboardState &kb = r.keyboards[size_t(keyboard)];
    while (!kb.pending.empty() && kb.pending.front().due <= now) {
        const QueuedReport q = kb.pending.front();
        kb.pending.pop_front();
        deliverLocked(r, keyboard, kb.config.commandInterface, q.bytes.data(), q.length, q.due);
    }
    if (kb.config.liveKeyStateMs > 0 && now >= kb.nextLiveReport && commandInterfaceOpen(r, keyboard)) {
        const Frame frame = nextLiveKeyStateFrame(kb.firmware);
        deliverLocked(r, keyboard, kb.config.commandInterface, frame.data(), kb.config.reportLength, now);
        kb.nextLiveReport = now + std::chrono::milliseconds(kb.config.liveKeyStateMs);
    }
}

void answerLocked(Registry &r, int keyboard, const uint8_t *data, int length)
{
    KeyboardState &kb = r.keyboards[size_t(keyboard)];
    for (const Frame &frame : firmwareAnswers(kb.config, kb.firmware, data, length))
        answer(r, keyboard, frame);
}

SimKeyboard SimKeyboard::plugIn(const SimKeyboardConfig &config)
{
    Registry &r = registry();
    int id = -1;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        KeyboardState kb;
        kb.config = config;
        kb.config.reportLength = std::max(1, std::min(kb.config.reportLength, kReportSize));
        completePaths(kb.config, int(r.keyboards.size()));
        r.keyboards.push_back(kb);
        id = int(r.keyboards.size()) - 1;
    }
    notifyPlug(config.vendorId, config.productId, id, true);
    return SimKeyboard(id);
}

SimKeyboard SimKeyboard::find(uint16_t vendorId, uint16_t productId, bool plugged)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (size_t i = 0; i < r.keyboards.size(); ++i) {
        const KeyboardState &kb = r.keyboards[i];
        if (kb.config.vendorId == vendorId && kb.config.productId == productId && kb.plugged == plugged)
            return SimKeyboard(int(i));
    }
    return SimKeyboard(-1);
}

void SimKeyboard::resetAll()
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (hid_device_ *h : r.handles) {
        h->dead = true;
        h->input.clear();
    }
    r.keyboards.clear();
    r.written.clear();
    const int open = int(r.handles.size());
    r.stats = SimStats();
    r.stats.openHandles = open;
    r.arrived.notify_all();
}

std::vector<SimWrittenReport> SimKeyboard::allWrittenReports()
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.written;
}

void SimKeyboard::clearWrittenReports()
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.written.clear();
}

SimStats SimKeyboard::stats()
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.stats;
}

void SimKeyboard::unplug()
{
    Registry &r = registry();
    uint16_t vid = 0, pid = 0;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        if (size_t(m_id) >= r.keyboards.size())
            return;
        KeyboardState &kb = r.keyboards[size_t(m_id)];
        const bool wasPlugged = kb.plugged;
        kb.plugged = false;
        for (hid_device_ *h : r.handles)
            if (h->keyboard == m_id)
                h->input.clear();
        r.arrived.notify_all();
        if (!wasPlugged)
            return;
        vid = kb.config.vendorId;
        pid = kb.config.productId;
    }
    notifyPlug(vid, pid, m_id, false);
}

void SimKeyboard::replug()
{
    Registry &r = registry();
    uint16_t vid = 0, pid = 0;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        if (size_t(m_id) >= r.keyboards.size())
            return;
        KeyboardState &kb = r.keyboards[size_t(m_id)];
        if (kb.plugged)
            return;
        kb.plugged = true;
        // Handles from before the unplug stay dead, as a re-enumerated device
        // gets a new node.
        for (hid_device_ *h : r.handles)
            if (h->keyboard == m_id)
                h->dead = true;
        vid = kb.config.vendorId;
        pid = kb.config.productId;
    }
    notifyPlug(vid, pid, m_id, true);
}

void SimKeyboard::failNextOpens(int n)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (size_t(m_id) < r.keyboards.size())
        r.keyboards[size_t(m_id)].failOpens = std::max(0, n);
}

void SimKeyboard::setHung(bool hung)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (size_t(m_id) < r.keyboards.size())
        r.keyboards[size_t(m_id)].hung = hung;
}

void SimKeyboard::sendReport(const uint8_t *data, int length, int delayMs)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (size_t(m_id) >= r.keyboards.size() || !data)
        return;
    KeyboardState &kb = r.keyboards[size_t(m_id)];
    if (!kb.plugged)
        return;
    const auto due = Clock::now() + std::chrono::milliseconds(std::max(0, delayMs));
    deliverLocked(r, m_id, kb.config.commandInterface, data, std::min(length, kb.config.reportLength), due);
}

void SimKeyboard::playScript(const std::vector<Scripted> &script)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (size_t(m_id) >= r.keyboards.size())
        return;
    KeyboardState &kb = r.keyboards[size_t(m_id)];
    const auto now = Clock::now();
    for (const Scripted &s : script) {
        QueuedReport q;
        const int n = std::min({int(s.bytes.size()), kReportSize, kb.config.reportLength});
        std::memcpy(q.bytes.data(), s.bytes.data(), size_t(n));
        q.length = n;
        q.due = now + std::chrono::milliseconds(std::max(0, s.delayMs));
        auto at = std::upper_bound(kb.pending.begin(), kb.pending.end(), q,
                                   [](const QueuedReport &a, const QueuedReport &b) { return a.due < b.due; });
        kb.pending.insert(at, q);
    }
    // A reader waiting for a later wake-up learns of the earlier reports.
    r.arrived.notify_all();
}

void SimKeyboard::setReportLength(int length)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (size_t(m_id) < r.keyboards.size())
        r.keyboards[size_t(m_id)].config.reportLength = std::max(1, std::min(length, kReportSize));
}

void SimKeyboard::setCalibrated(bool calibrated)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (size_t(m_id) < r.keyboards.size())
        r.keyboards[size_t(m_id)].config.calibrated = calibrated;
}

std::vector<SimWrittenReport> SimKeyboard::writtenReports() const
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    std::vector<SimWrittenReport> mine;
    for (const SimWrittenReport &w : r.written)
        if (w.keyboard == m_id)
            mine.push_back(w);
    return mine;
}

int SimKeyboard::identityQueries() const
{
    Registry &r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return size_t(m_id) < r.keyboards.size() ? r.keyboards[size_t(m_id)].firmware.identityQueries : 0;
}

} // namespace sim
