#pragma once

// The tool's only link to the keyboard firmware: finds the keyboard's vendor
// HID interface (interface 2 of the selected vendor/product ids), reads its
// identity, opens it, and runs a worker thread that alternates waits for an
// input report with writes of queued 64-byte reports.
//
// Nothing here depends on widgets, so device arrival and removal can be driven
// by whatever watches the bus (window messages on Windows, udev on Linux).
//
// Locking: m_readMutex before m_writeMutex before m_listMutex; m_infoMutex
// guards the identity fields and is never held while another lock is taken or
// hidapi is called. hidapi's global functions go through hidLibraryGuard,
// whose lock is taken innermost. The buffers on their way to the receiver have
// a lock of their own, taken alone.
//
// The device handle is used by one thread at a time (hidapi keeps per-handle
// state, such as its last error, that a read and a write would both change).

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QThread>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

struct hid_device_;

class MainHidInterFace : public QThread
{
    Q_OBJECT

public:
    static constexpr int kReportSize = 64;
    // A keyboard that stops reading must not make the queue grow without end;
    // at one report per two worker passes this is a few seconds of backlog.
    static constexpr int kMaxQueuedReports = 4096;
    // Right after a report the window is about to queue its answer (an echo):
    // for this long the worker waits for that write instead of the device, and
    // is woken the moment it is queued. Reports that come meanwhile wait in
    // the device's buffer; ones already there are read first.
    static constexpr int kEchoWaitUs = 2000;
    // How long a read waits for the device otherwise: readWaitSchedule.
    // A keyboard pulled out makes every read fail at once. A single failed read
    // can be a hiccup; this many in a row, a millisecond apart, mean the
    // keyboard is gone.
    static constexpr int kReadFailuresBeforeLost = 50;
    static constexpr int kReadFailurePauseMs = 1;

    explicit MainHidInterFace(QObject *parent = nullptr);
    ~MainHidInterFace() override;

    void setVidPid(int vid, int pid);
    // Enumerates, reads the identity of the first matching interface 2 and
    // emits sigGetHidListSuccessful when one was found. GUI or pool thread.
    void getHidList();
    // 0 opened, -1 failed. GUI thread. An open link is closed first.
    int hidOpenPath();
    // Always 0. Closes the device and waits for the worker to end; reports
    // still queued stay queued for the next open.
    int closeHid();
    // -1 when not open, when data is null or when the queue is full; else 0
    // (queued, not yet written). Copies 64 bytes.
    int queueWriteData(const unsigned char *data);
    // Writes 64 bytes at once on the calling thread. 0 when written; -1 when
    // not open, when data is null or when the write failed.
    int writeDataNow(const unsigned char *data);
    // Drops every report still queued, so none reaches another keyboard or the
    // next connection.
    void clearWriteQueue();
    // Enumerates and tells whether the interface found last is still listed.
    // False when none was found. Any thread.
    bool isHidPathPresent() const;

    QString getManufacturer() const;
    QString getProduct() const;
    QMap<QString, QString> getKeyboardInfoMap() const;
    QString getHidPath() const;
    bool isOpen() const { return m_isOpen.load(); }
    int pendingWriteCount() const;
    // How long the keyboard has not taken a report: the time since the first
    // write that has not gone through (it failed, or still waits in the
    // device), 0 while writes go through. A firmware that hangs shows here
    // long before its reads fail, if they ever do. Any thread.
    std::int64_t writeTroubleMs() const;

    // A buffer of sigHidDataArrived, once its receiver has taken it over.
    struct TakenReport
    {
        std::unique_ptr<unsigned char[], void (*)(unsigned char *)> data{nullptr, &freeReport};
        int length = 0; // the byte count read, 1..64
    };

    // Report buffers made for sigHidDataArrived and not yet freed.
    static int liveReportBuffers();
    // The receiver's first step with a buffer of sigHidDataArrived. The
    // buffer passes through a lock of the link's, so everything the worker
    // wrote into it is visibly done before the receiver reads it (also to
    // ThreadSanitizer, which cannot see into Qt's queued calls). Empty when
    // the buffer is no longer on its way: the link that read it was closed
    // and freed it, as nobody would take it then. Never read data before.
    static TakenReport takeReport(unsigned char *data);
    // Frees a buffer of sigHidDataArrived without reading it. Null, and a
    // buffer the link has freed already, are ignored.
    static void releaseReport(unsigned char *data);

signals:
    void sigOpenHidSuccessful();
    void sigCloseHidSuccessful();
    // data is a new 64-byte buffer holding the report read (length bytes,
    // 1..64) followed by zeros. The receiver owns it from the moment of
    // emission: it takes it with takeReport (or frees it with releaseReport);
    // connect exactly one receiver. Buffers not taken when the link closes
    // are freed then. No buffer is made while nothing is connected.
    void sigHidDataArrived(unsigned char *data, int length);
    // Emitted once per open when reads keep failing (the keyboard is lost).
    // The link stays open, without reading, until closeHid.
    void sigHidReadFailed();
    void sigGetHidListSuccessful();
    // Declared for receivers that want write errors; not emitted.
    void sigHidWriteErrorInfo(QString errorInfo);

protected:
    void run() override;

private:
    using Report = std::array<unsigned char, kReportSize>;

    // One identity exchange on its own short-lived handle; true and the entry
    // when the keyboard gave its name and build time.
    bool readKeyboardIdentity(const QByteArray &path, int hidNum, QString &key, QString &value);
    // Reads of one worker run: failures in a row, and whether the handle was
    // given up as lost.
    struct ReadState
    {
        int failuresInRow = 0;
        bool lost = false;
        // The last report read or written: the quiet the read waits count from.
        std::chrono::steady_clock::time_point lastTraffic{};
        // Until when an answer to the last report may still be queued.
        std::chrono::steady_clock::time_point echoUntil{};
    };

    void readHalf(ReadState &state);
    // True when a report was written.
    bool writeHalf();
    // Waits for a write to be queued (or the link to close) until the time given.
    void waitForWrite(std::chrono::steady_clock::time_point until);
    // A new buffer for sigHidDataArrived, on its way to the receiver.
    unsigned char *makeReport(const unsigned char *bytes, int length);
    // Frees the buffers this link made that no receiver took.
    void freeUntakenReports();
    static void freeReport(unsigned char *data);
    void waitForWorker();

    hid_device_ *m_hidDevice = nullptr; // under m_readMutex and m_writeMutex
    std::atomic<bool> m_isOpen{false};
    // Cleared by the worker as its last act and read after QThread::wait, so
    // everything the worker did is visibly done before the waiter goes on
    // (also to ThreadSanitizer, which cannot see into Qt's own locks).
    std::atomic<bool> m_workerActive{false};
    // Steady-clock milliseconds of the first write not yet gone through; -1 for none.
    std::atomic<std::int64_t> m_writeTroubleSinceMs{-1};

    mutable std::mutex m_infoMutex;
    int m_vid = 0;
    int m_pid = 0;
    QString m_strHidPath;
    QString m_strManufacturer;
    QString m_strProduct;
    int m_hidNum = 0;
    QMap<QString, QString> m_keyboardInfoMap;

    mutable std::mutex m_listMutex;
    std::deque<Report> m_writeDataList;
    // Signalled (under m_listMutex) when a report is queued or the link closes.
    std::condition_variable m_writeQueued;
    std::mutex m_writeMutex;
    std::mutex m_readMutex;
    // Threads other than the worker waiting for m_readMutex: the worker's
    // read leaves the handle alone meanwhile, as it would otherwise take the
    // lock again a moment after letting it go (std::mutex is not fair).
    std::atomic<int> m_handleWanted{0};
};
