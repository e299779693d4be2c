#pragma once

// The tool's only link to the keyboard firmware: finds the keyboard's vendor
// HID interface (interface 2 of the selected vendor/product ids), reads its
// identity, opens it, and runs a worker thread that alternates short waits for
// an input report with writes of queued 64-byte reports.
//
// Nothing here depends on widgets, so device arrival and removal can be driven
// by whatever watches the bus (window messages on Windows, udev on Linux).
//
// Locking: m_readMutex before m_writeMutex before m_listMutex; m_infoMutex
// guards the identity fields and is never held while another lock is taken or
// hidapi is called. hidapi's global functions go through hidLibraryGuard,
// whose lock is taken innermost. The buffers on their way to the receiver have
// a lock of their own, taken alone.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QThread>

#include <array>
#include <atomic>
#include <chrono>
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
    // How long one read half waits for a report while the keyboard talks. Long
    // enough that the worker sleeps instead of spinning, short enough that a
    // report queued during the wait (an echo) is hardly held up: it leaves
    // when the wait ends. With reports queued the read does not wait at all.
    static constexpr int kReadTimeoutMs = 1;
    // After this many quiet passes (nothing read, nothing written) the link is
    // idle and waits longer: a thousand wake-ups a second cost a few per cent
    // of a core for nothing. The first report read ends the idle wait at once.
    static constexpr int kQuietPassesBeforeIdle = 200;
    static constexpr int kIdleReadTimeoutMs = 10;
    // Right after a report the window is about to queue its echo, which a
    // millisecond's wait would hold up: for this long the worker looks for
    // reports without waiting, yielding in between. A sleep would do, were it
    // not for schedulers that turn 100 us into 10 ms under load (and Windows'
    // timer tick), which is long enough to overflow the device's buffer.
    static constexpr int kEagerUsAfterReport = 2000;
    // A keyboard pulled out makes every read fail at once. A single failed read
    // can be a hiccup; this many in a row mean the keyboard is gone.
    static constexpr int kReadFailuresBeforeLost = 50;

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
        int quietPasses = 0;
        std::chrono::steady_clock::time_point lastReport{};
    };

    // Both true when something was read or written.
    bool readHalf(ReadState &state);
    bool writeHalf();
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
    std::mutex m_writeMutex;
    std::mutex m_readMutex;
};
