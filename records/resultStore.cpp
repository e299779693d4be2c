#include "resultStore.h"

#include "lineForwarder.h"
#include "resultStoreFile.h"
#include "resultStoreWorker.h"
#include "resultsSettings.h"
#include "unitProgressFile.h"

#include <QDateTime>
#include <QDebug>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>

namespace {

// Calls to the store's threads go by name rather than as lambdas: the call is
// then made and freed inside Qt, and a unit crosses through the worker's own
// mutex (ResultStoreWorker::hand), not inside a lambda handed over by Qt's
// event queue. Debian's Qt is not built with ThreadSanitizer and its locking
// is invisible to it, so only a hand-over of our own can be checked there.
void post(QObject *receiver, const char *method)
{
    [[maybe_unused]] const bool known = QMetaObject::invokeMethod(receiver, method, Qt::QueuedConnection);
    Q_ASSERT(known);
}

} // namespace

ResultStore::ResultStore(const QString &dataDir, QObject *parent) : ResultStore(dataDir, Options(), parent) {}

ResultStore::ResultStore(const QString &dataDir, const Options &options, QObject *parent)
    : QObject(parent), m_filePath(resultStoreFile::pathIn(dataDir)), m_options(options)
{
    const QString url = options.lineUrl.isEmpty() ? readResultsSettings(dataDir).lineUrl : options.lineUrl;
    LineTarget target;
    bool queueForLine = false;
    if (!url.isEmpty()) {
        target = parseLineTarget(url);
        if (!target.valid) {
            // Nothing is guessed and nothing lost: the units wait in the
            // queue and are sent once the URL is mended.
            queueForLine = true;
            target.problem += QStringLiteral("; units stay queued in the station store until it is mended");
        } else if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
            // A Qt built without it: units queued for a server never reached
            // would only pile up in the store.
            target.valid = false;
            target.problem = QStringLiteral("this build has no PostgreSQL driver (QPSQL); units are kept in the "
                                            "station store only");
        } else {
            queueForLine = true;
        }
        if (!target.valid)
            qDebug().noquote() << QStringLiteral(
                                      "---------- *** line store: [results] url %1 not used: %2 *** ----------")
                                      .arg(target.printable, target.problem);
    }

    m_writerThread = new QThread;
    m_writerThread->setObjectName(QStringLiteral("results store"));
    ResultStoreWorker::Settings settings;
    settings.filePath = m_filePath;
    settings.queueForLine = queueForLine;
    settings.busyTimeoutMs = options.busyTimeoutMs;
    settings.retryMs = options.retryMs;
    settings.retryMostMs = options.retryMostMs;
    settings.maxPending = options.maxPending;
    settings.importLinesPerStep = options.importLinesPerStep;
    settings.vfs = options.sqliteVfs;
    m_worker = new ResultStoreWorker(settings);
    m_worker->moveToThread(m_writerThread);
    connect(m_worker, &ResultStoreWorker::saved, this, &ResultStore::saved);
    connect(m_worker, &ResultStoreWorker::deferred, this, &ResultStore::deferred);
    post(m_worker, "start");

    if (target.valid) {
        m_forwarderThread = new QThread;
        m_forwarderThread->setObjectName(QStringLiteral("line store"));
        m_forwarder = new LineForwarder(m_filePath, target, options.busyTimeoutMs, options.forwardIntervalMs,
                                        LineForwarder::DefaultBatch, options.sqliteVfs);
        m_forwarder->moveToThread(m_forwarderThread);
        connect(m_forwarder, &LineForwarder::forwarded, this, &ResultStore::forwarded);
        // A unit just written is sent at once rather than at the next tick.
        connect(m_worker, &ResultStoreWorker::saved, m_forwarder, &LineForwarder::forwardQueued, Qt::QueuedConnection);
        post(m_forwarder, "start");
        m_forwarderThread->start();
    }
    // Started last: every object and connection is in place before the
    // worker runs (its start may already save units from the fallback file,
    // which the forwarder must hear of), and its first job, queued before
    // the thread runs, is ordered after all of this by the thread's start.
    m_writerThread->start();
}

ResultStore::~ResultStore()
{
    // The unit under test was ended and saved before this, if at all.
    if (m_progressTimer)
        m_progressTimer->stop();
    // The writer's queue is worked off in order, so its last job runs after
    // every save() made before this.
    post(m_worker, "finish");
    m_writerThread->wait();
    delete m_writerThread;

    // Joined, never left running: a sender still inside the client library
    // when main returns can crash the exit. Its connect and its statements
    // are bounded, and so is the program's close.
    if (m_forwarder) {
        disconnect(m_forwarder, nullptr, this, nullptr);
        m_forwarder->requestStop();
        post(m_forwarder, "finish");
        if (!m_forwarderThread->wait(static_cast<unsigned long>(m_options.closeWaitMs))) {
            qDebug().noquote() << "---------- *** line store: waiting on the server at close; units not yet sent "
                                  "stay queued for the next start *** ----------";
            m_forwarderThread->wait();
        }
        delete m_forwarderThread;
    }
}

void ResultStore::save(UnitRecord record)
{
    m_worker->hand(std::move(record));
    post(m_worker, "takeHanded");
}

void ResultStore::followProgress(Progress progress)
{
    m_progress = std::move(progress);
    if (!m_progressTimer) {
        m_progressTimer = new QTimer(this);
        connect(m_progressTimer, &QTimer::timeout, this, &ResultStore::takeProgress);
    }
    m_progressTimer->start(m_options.progressMs);
}

void ResultStore::takeProgress()
{
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    if (std::optional<UnitRecord> unit = m_progress(now)) {
        m_worker->handProgress(unitProgressFile::asCut(std::move(*unit), now));
        post(m_worker, "takeHanded");
    }
}

bool ResultStore::flush(int ms)
{
    return m_worker->waitTaken(ms);
}
