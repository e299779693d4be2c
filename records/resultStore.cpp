#include "resultStore.h"

#include "lineForwarder.h"
#include "resultStoreFile.h"
#include "resultStoreWorker.h"
#include "resultsSettings.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QThread>

ResultStore::ResultStore(const QString &dataDir, QObject *parent) : ResultStore(dataDir, Options(), parent) {}

ResultStore::ResultStore(const QString &dataDir, const Options &options, QObject *parent)
    : QObject(parent), m_filePath(resultStoreFile::pathIn(dataDir)), m_options(options)
{
    const QString url = options.lineUrl.isEmpty() ? readResultsSettings(dataDir).lineUrl : options.lineUrl;
    LineTarget target;
    if (!url.isEmpty()) {
        target = parseLineTarget(url);
        // Qt for Windows comes without it (there is no libpq for mingw): units
        // queued for a server never reached would only pile up in the store.
        if (target.valid && !QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
            target.valid = false;
            target.problem = QStringLiteral("this build has no PostgreSQL driver (QPSQL); units are kept in the "
                                            "station store only");
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
    settings.queueForLine = target.valid;
    settings.busyTimeoutMs = options.busyTimeoutMs;
    settings.retryMs = options.retryMs;
    settings.retryMostMs = options.retryMostMs;
    settings.maxPending = options.maxPending;
    settings.vfs = options.sqliteVfs;
    m_worker = new ResultStoreWorker(settings);
    m_worker->moveToThread(m_writerThread);
    connect(m_worker, &ResultStoreWorker::saved, this, &ResultStore::saved);
    connect(m_worker, &ResultStoreWorker::keptInMemory, this, &ResultStore::keptInMemory);
    m_writerThread->start();
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker] { w->start(); }, Qt::QueuedConnection);

    if (target.valid) {
        m_forwarderThread = new QThread;
        m_forwarderThread->setObjectName(QStringLiteral("line store"));
        m_forwarder = new LineForwarder(m_filePath, target, options.busyTimeoutMs, options.forwardIntervalMs,
                                        LineForwarder::DefaultBatch, options.sqliteVfs);
        m_forwarder->moveToThread(m_forwarderThread);
        connect(m_forwarder, &LineForwarder::forwarded, this, &ResultStore::forwarded);
        // A unit just written is sent at once rather than at the next tick.
        connect(m_worker, &ResultStoreWorker::saved, m_forwarder, &LineForwarder::forwardQueued, Qt::QueuedConnection);
        m_forwarderThread->start();
        QMetaObject::invokeMethod(
            m_forwarder, [f = m_forwarder] { f->start(); }, Qt::QueuedConnection);
    }
}

ResultStore::~ResultStore()
{
    // The writer's queue is worked off in order, so its last job runs after
    // every save() made before this.
    QMetaObject::invokeMethod(
        m_worker,
        [w = m_worker] {
            w->close();
            w->deleteLater(); // run when the thread finishes
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    m_writerThread->wait();
    delete m_writerThread;

    if (m_forwarder) {
        disconnect(m_forwarder, nullptr, this, nullptr);
        QMetaObject::invokeMethod(
            m_forwarder,
            [f = m_forwarder] {
                f->stop();
                f->deleteLater();
                QThread::currentThread()->quit();
            },
            Qt::QueuedConnection);
        if (m_forwarderThread->wait(static_cast<unsigned long>(m_options.closeWaitMs))) {
            delete m_forwarderThread;
        } else {
            qDebug().noquote() << "---------- *** line store: still waiting on the server at close; units "
                                  "not yet sent stay queued for the next start *** ----------";
        }
    }
}

void ResultStore::save(UnitRecord record)
{
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, r = std::move(record)]() mutable { w->save(std::move(r)); }, Qt::QueuedConnection);
}
