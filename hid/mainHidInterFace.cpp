#include "mainHidInterFace.h"

#include "hidAccessHint.h"
#include "hidLibraryGuard.h"
#include "interfaceMatch.h"
#include "keyboardIdentity.h"
#include "readWaitSchedule.h"

#include <QDebug>
#include <QMetaMethod>

#include <algorithm>
#include <chrono>

#include <hidapi.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

namespace {

// The handle wanted by a thread other than the worker, for as long as it lives.
class HandleWanted
{
public:
    explicit HandleWanted(std::atomic<int> &wanted) : m_wanted(wanted) { m_wanted.fetch_add(1); }
    ~HandleWanted() { m_wanted.fetch_sub(1); }
    HandleWanted(const HandleWanted &) = delete;
    HandleWanted &operator=(const HandleWanted &) = delete;

private:
    std::atomic<int> &m_wanted;
};

constexpr int kOpenAttempts = 4;
// udev gives a new node its group a moment after the kernel makes it; on a
// busy station the identity query can come first and be refused.
constexpr int kSetUpWaitMs = 3000;
constexpr int kSetUpStepMs = 50;
constexpr int kIdentityAnswerWaitMs = 250;
// A worker pass waits for the device at most readWaitSchedule::IdleWaitMs, so
// it ends within a pass or two of being told to.
constexpr unsigned long kWorkerStopWaitMs = 2000;
// Guards against a corrupt (cyclic) enumeration list.
constexpr int kMaxEnumerationEntries = 4096;

std::atomic<int> g_liveReportBuffers{0};

// Buffers of sigHidDataArrived between the worker that made them and the
// receiver that takes them: the hand-over goes through this lock.
struct InFlightReport
{
    unsigned char *data;
    int length;
    const MainHidInterFace *link;
};

std::mutex &inFlightMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<InFlightReport> &inFlight()
{
    static std::vector<InFlightReport> reports;
    return reports;
}

std::int64_t steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString wideText(const wchar_t *text)
{
    return text ? QString::fromWCharArray(text) : QString();
}

void logOpenFailureHint(const QByteArray &path)
{
    const QString hint = hidAccessHint::forPath(path);
    if (!hint.isEmpty())
        qDebug().noquote() << hint;
}

} // namespace

MainHidInterFace::MainHidInterFace(QObject *parent) : QThread(parent)
{
    qRegisterMetaType<unsigned char *>("unsigned char*");
    if (hidLibraryGuard::init() == 0)
        getHidList();
}

MainHidInterFace::~MainHidInterFace()
{
    qDebug("________________________ MainHidInterFace::~MainHidInterFace() ........");
    {
        std::lock_guard<std::mutex> readLock(m_readMutex);
        std::lock_guard<std::mutex> writeLock(m_writeMutex);
        m_isOpen = false;
        hidLibraryGuard::close(m_hidDevice);
        m_hidDevice = nullptr;
    }
    {
        std::lock_guard<std::mutex> listLock(m_listMutex);
    }
    m_writeQueued.notify_all();
    // A QThread must not be destroyed while it runs; the loop has been told to end.
    wait();
    m_workerActive.load(std::memory_order_acquire);
    freeUntakenReports();
}

void MainHidInterFace::setVidPid(int vid, int pid)
{
    std::lock_guard<std::mutex> lock(m_infoMutex);
    m_vid = vid;
    m_pid = pid;
}

void MainHidInterFace::getHidList()
{
    int vid = 0, pid = 0;
    {
        std::lock_guard<std::mutex> lock(m_infoMutex);
        vid = m_vid;
        pid = m_pid;
    }
    // Built aside and published at the end, so a reader on another thread
    // never sees a half-finished enumeration.
    int hidNum = 0;
    QString path, manufacturer, product;
    QMap<QString, QString> infoMap;

    hid_device_info *list = hidLibraryGuard::enumerateAll();
    int seen = 0;
    for (hid_device_info *entry = list; entry && seen < kMaxEnumerationEntries; entry = entry->next, ++seen) {
        std::printf("Device Found\n  type: %04hx %04hx\n", entry->vendor_id, entry->product_id);
        if (!entry->path || entry->vendor_id != vid || entry->product_id != pid ||
            !isVendorInterface(entry->path, entry->interface_number))
            continue;
        path = QString::fromLatin1(entry->path);
        manufacturer = wideText(entry->manufacturer_string);
        product = wideText(entry->product_string);
        qDebug().noquote() << QStringLiteral(
                                  "-------------------------------------------------------------------------------"
                                  "------m_strHidPath:") +
                                  path;
        ++hidNum;
        QString key, value;
        if (readKeyboardIdentity(QByteArray(entry->path), hidNum, key, value))
            infoMap.insert(key, value);
        break;
    }
    std::fflush(stdout);
    hidLibraryGuard::freeEnumeration(list);

    {
        std::lock_guard<std::mutex> lock(m_infoMutex);
        m_hidNum = hidNum;
        m_strHidPath = path;
        if (hidNum > 0) {
            m_strManufacturer = manufacturer;
            m_strProduct = product;
        }
        m_keyboardInfoMap = infoMap;
    }
    if (hidNum > 0)
        emit sigGetHidListSuccessful();
}

bool MainHidInterFace::readKeyboardIdentity(const QByteArray &path, int hidNum, QString &key, QString &value)
{
    hid_device *device = nullptr;
    for (int attempt = 0; attempt < kOpenAttempts && !device; ++attempt)
        device = hidLibraryGuard::openPath(path.constData());
    for (int waited = 0; !device && waited < kSetUpWaitMs && hidAccessHint::probeAccess(path) != 0 &&
                         hidAccessHint::nodeSettingUp(path);
         waited += kSetUpStepMs) {
        QThread::msleep(kSetUpStepMs);
        device = hidLibraryGuard::openPath(path.constData());
    }
    if (!device) {
        qDebug("\nUnable to open Hid\n");
        logOpenFailureHint(path);
        return false;
    }

    unsigned char query[kReportSize] = {};
    query[0] = 0x01;
    query[1] = 0x0D;
    bool named = false;
    QString name;
    for (int q = 0; q < keyboardIdentity::kMaxQueries; ++q) {
        hid_write(device, query, kReportSize);
        hid_set_nonblocking(device, 1);
        QThread::msleep(kIdentityAnswerWaitMs);
        unsigned char answer[kReportSize] = {};
        const int n = hid_read(device, answer, kReportSize);
        if (n < 2 || answer[1] != 0x0D)
            break;
        name = keyboardIdentity::numberedName(hidNum, keyboardIdentity::answerText(answer, n));
        if (keyboardIdentity::isNameText(name)) {
            named = true;
            break;
        }
    }

    bool found = false;
    if (named) {
        unsigned char second[kReportSize] = {};
        const int n = hid_read(device, second, kReportSize);
        if (n > 0) {
            const keyboardIdentity::Entry entry =
                keyboardIdentity::makeEntry(name, keyboardIdentity::answerText(second, n));
            key = entry.key;
            value = entry.value;
            qDebug().noquote() << QStringLiteral("--------------------------- Key:") + key +
                                      QStringLiteral("  Value:") + value;
            found = true;
        }
    }
    hidLibraryGuard::close(device);
    return found;
}

int MainHidInterFace::hidOpenPath()
{
    const QString path = getHidPath();
    qDebug().noquote() << QStringLiteral("________________________ MainHidInterFace hidOpenPath:") + path;

    // Opening over an open link would orphan its handle and leave the worker
    // on it; close it properly first.
    if (m_isOpen.load())
        closeHid();
    waitForWorker();

    const QByteArray latin = path.toLatin1();
    hid_device *device = latin.isEmpty() ? nullptr : hidLibraryGuard::openPath(latin.constData());
    if (!device) {
        qDebug("Unable to open device\n");
        if (latin.isEmpty())
            qDebug("No matching keyboard interface was found to open");
        else
            logOpenFailureHint(latin);
        m_isOpen = false;
        return -1;
    }
    qDebug("Open device success\n");
    {
        std::lock_guard<std::mutex> readLock(m_readMutex);
        std::lock_guard<std::mutex> writeLock(m_writeMutex);
        m_hidDevice = device;
        hid_set_nonblocking(m_hidDevice, 1);
        m_writeTroubleSinceMs = -1;
        m_isOpen = true;
    }
    emit sigOpenHidSuccessful();
    return 0;
}

int MainHidInterFace::closeHid()
{
    if (!m_isOpen.load())
        return 0;
    {
        const HandleWanted wanted(m_handleWanted);
        std::lock_guard<std::mutex> readLock(m_readMutex);
        std::lock_guard<std::mutex> writeLock(m_writeMutex);
        // Two closers (the window and a pool task) may both have passed the
        // test above; only the first closes.
        if (!m_isOpen.exchange(false))
            return 0;
        hidLibraryGuard::close(m_hidDevice);
        m_hidDevice = nullptr;
    }
    {
        // A worker waiting for a write learns of the close at once.
        std::lock_guard<std::mutex> listLock(m_listMutex);
    }
    m_writeQueued.notify_all();
    waitForWorker();
    // Reports of this keyboard still on their way are nobody's now.
    freeUntakenReports();
    emit sigCloseHidSuccessful();
    return 0;
}

void MainHidInterFace::waitForWorker()
{
    if (QThread::currentThread() == this || !isRunning())
        return;
    if (!wait(kWorkerStopWaitMs) || m_workerActive.load(std::memory_order_acquire))
        qDebug("---------- *** MainHidInterFace worker did not stop in time *** ----------");
}

int MainHidInterFace::queueWriteData(const unsigned char *data)
{
    if (!data || !m_isOpen.load())
        return -1;
    std::lock_guard<std::mutex> lock(m_listMutex);
    if (int(m_writeDataList.size()) >= kMaxQueuedReports) {
        qDebug("---------- *** MainHidInterFace write queue full, report not queued *** ----------");
        return -1;
    }
    try {
        m_writeDataList.emplace_back();
    } catch (const std::bad_alloc &) {
        return -1;
    }
    std::memcpy(m_writeDataList.back().data(), data, kReportSize);
    // The worker may be waiting for just this (an echo).
    m_writeQueued.notify_one();
    return 0;
}

int MainHidInterFace::writeDataNow(const unsigned char *data)
{
    if (!data)
        return -1;
    // Both halves: the worker's read must not be using the handle meanwhile.
    // A read in progress ends within readWaitSchedule::IdleWaitMs.
    const HandleWanted wanted(m_handleWanted);
    std::lock_guard<std::mutex> readLock(m_readMutex);
    std::lock_guard<std::mutex> lock(m_writeMutex);
    if (!m_isOpen.load() || !m_hidDevice)
        return -1;
    return hid_write(m_hidDevice, data, kReportSize) < 0 ? -1 : 0;
}

void MainHidInterFace::clearWriteQueue()
{
    std::lock_guard<std::mutex> lock(m_listMutex);
    m_writeDataList.clear();
}

bool MainHidInterFace::isHidPathPresent() const
{
    const QByteArray wanted = getHidPath().toLatin1();
    if (wanted.isEmpty())
        return false;
    bool present = false;
    hid_device_info *list = hidLibraryGuard::enumerateAll();
    int seen = 0;
    for (hid_device_info *entry = list; entry && seen < kMaxEnumerationEntries; entry = entry->next, ++seen) {
        if (entry->path && wanted == entry->path) {
            present = true;
            break;
        }
    }
    hidLibraryGuard::freeEnumeration(list);
    return present;
}

QString MainHidInterFace::getManufacturer() const
{
    std::lock_guard<std::mutex> lock(m_infoMutex);
    return m_strManufacturer;
}

QString MainHidInterFace::getProduct() const
{
    std::lock_guard<std::mutex> lock(m_infoMutex);
    return m_strProduct;
}

QMap<QString, QString> MainHidInterFace::getKeyboardInfoMap() const
{
    std::lock_guard<std::mutex> lock(m_infoMutex);
    return m_keyboardInfoMap;
}

QString MainHidInterFace::getHidPath() const
{
    std::lock_guard<std::mutex> lock(m_infoMutex);
    return m_strHidPath;
}

int MainHidInterFace::pendingWriteCount() const
{
    std::lock_guard<std::mutex> lock(m_listMutex);
    return int(m_writeDataList.size());
}

std::int64_t MainHidInterFace::writeTroubleMs() const
{
    const std::int64_t since = m_writeTroubleSinceMs.load();
    return since < 0 ? 0 : std::max<std::int64_t>(0, steadyMs() - since);
}

int MainHidInterFace::liveReportBuffers()
{
    return g_liveReportBuffers.load();
}

unsigned char *MainHidInterFace::makeReport(const unsigned char *bytes, int length)
{
    auto *report = new (std::nothrow) unsigned char[kReportSize]();
    if (!report)
        return nullptr;
    std::memcpy(report, bytes, size_t(length));
    g_liveReportBuffers.fetch_add(1);
    std::lock_guard<std::mutex> lock(inFlightMutex());
    try {
        inFlight().push_back({report, length, this});
    } catch (const std::bad_alloc &) {
        freeReport(report);
        return nullptr;
    }
    return report;
}

MainHidInterFace::TakenReport MainHidInterFace::takeReport(unsigned char *data)
{
    TakenReport taken;
    if (!data)
        return taken;
    std::lock_guard<std::mutex> lock(inFlightMutex());
    std::vector<InFlightReport> &reports = inFlight();
    // Taken in the order emitted, so the one wanted is nearly always first.
    const auto it = std::find_if(reports.begin(), reports.end(),
                                 [data](const InFlightReport &report) { return report.data == data; });
    if (it == reports.end())
        return taken;
    taken.data.reset(it->data);
    taken.length = it->length;
    reports.erase(it);
    return taken;
}

void MainHidInterFace::releaseReport(unsigned char *data)
{
    takeReport(data);
}

void MainHidInterFace::freeUntakenReports()
{
    std::vector<unsigned char *> untaken;
    {
        std::lock_guard<std::mutex> lock(inFlightMutex());
        std::vector<InFlightReport> &reports = inFlight();
        for (auto it = reports.begin(); it != reports.end();) {
            if (it->link != this) {
                ++it;
                continue;
            }
            untaken.push_back(it->data);
            it = reports.erase(it);
        }
    }
    for (unsigned char *data : untaken)
        freeReport(data);
}

void MainHidInterFace::freeReport(unsigned char *data)
{
    if (!data)
        return;
    delete[] data;
    g_liveReportBuffers.fetch_sub(1);
}

void MainHidInterFace::run()
{
    m_workerActive.store(true, std::memory_order_release);
    // Which half comes next; each run begins with a write half. No pause
    // between passes: the read half's wait paces the loop.
    bool readTurn = false;
    ReadState readState;
    readState.lastTraffic = std::chrono::steady_clock::now();
    while (m_isOpen.load()) {
        if (readTurn)
            readHalf(readState);
        else if (writeHalf())
            readState.lastTraffic = std::chrono::steady_clock::now();
        readTurn = !readTurn;
    }
    m_workerActive.store(false, std::memory_order_release);
}

void MainHidInterFace::waitForWrite(std::chrono::steady_clock::time_point until)
{
    std::unique_lock<std::mutex> lock(m_listMutex);
    const auto queuedOrClosed = [this] { return !m_writeDataList.empty() || !m_isOpen.load(); };
    if (until == std::chrono::steady_clock::time_point::max())
        m_writeQueued.wait(lock, queuedOrClosed);
    else
        m_writeQueued.wait_until(lock, until, queuedOrClosed);
}

void MainHidInterFace::readHalf(ReadState &state)
{
    using Clock = std::chrono::steady_clock;
    if (state.lost) {
        // The handle is dead until closeHid: nothing to read, but a write
        // queued meanwhile is still tried (and dropped) as before.
        waitForWrite(Clock::time_point::max());
        return;
    }
    const Clock::time_point now = Clock::now();
    const bool writesPending = pendingWriteCount() > 0;
    const bool echoDue = now < state.echoUntil;
    const int timeoutMs =
        writesPending || echoDue
            ? 0
            : readWaitSchedule::readWaitMs(
                  std::chrono::duration_cast<std::chrono::milliseconds>(now - state.lastTraffic).count());
    if (m_handleWanted.load() > 0) {
        // Another thread is about to take the handle: its turn first.
        std::this_thread::yield();
        return;
    }
    unsigned char buffer[kReportSize] = {};
    int n = 0;
    {
        std::lock_guard<std::mutex> lock(m_readMutex);
        if (!m_hidDevice)
            return;
        n = hid_read_timeout(m_hidDevice, buffer, kReportSize, timeoutMs);
    }
    if (n < 0) {
        if (++state.failuresInRow >= kReadFailuresBeforeLost) {
            state.lost = true;
            qDebug("---------- *** USB serial port [Read] Failed: keyboard lost *** ----------");
            emit sigHidReadFailed();
        } else {
            // A failing read returns at once; without the pause the run of
            // failures would be over in microseconds, before a hiccup passes.
            QThread::msleep(kReadFailurePauseMs);
        }
        return;
    }
    state.failuresInRow = 0;
    if (n == 0) {
        // Nothing more from the device: now wait for the answer to the last
        // report, woken the moment it is queued.
        if (echoDue && !writesPending)
            waitForWrite(state.echoUntil);
        return;
    }
    state.lastTraffic = Clock::now();
    state.echoUntil = state.lastTraffic + std::chrono::microseconds(kEchoWaitUs);
    if (n > kReportSize)
        n = kReportSize;
    static const QMetaMethod arrived = QMetaMethod::fromSignal(&MainHidInterFace::sigHidDataArrived);
    if (!isSignalConnected(arrived))
        return;
    unsigned char *report = makeReport(buffer, n);
    if (report)
        emit sigHidDataArrived(report, n);
}

bool MainHidInterFace::writeHalf()
{
    std::lock_guard<std::mutex> writeLock(m_writeMutex);
    // Closed under us: the report stays queued for the next open.
    if (!m_hidDevice)
        return false;
    Report report;
    {
        std::lock_guard<std::mutex> listLock(m_listMutex);
        if (m_writeDataList.empty())
            return false;
        report = m_writeDataList.front();
        m_writeDataList.pop_front();
    }
    if (report[1] == 0x12 && report[6] == 0x00)
        qDebug("------------------------------ *** writeData[1] = 0x12 && writeData[6] == 0x00 *** "
               "---------------------------");
    // Marked before the write: a write that hangs in the device counts from its start.
    std::int64_t none = -1;
    m_writeTroubleSinceMs.compare_exchange_strong(none, steadyMs());
    if (hid_write(m_hidDevice, report.data(), kReportSize) < 0)
        qDebug("USB serial port [Write] Failed ... report 0x%02x dropped", report[1]);
    else
        m_writeTroubleSinceMs = -1;
    return true;
}
