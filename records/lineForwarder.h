#pragma once

#include "lineConnection.h"
#include "lineTarget.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <map>
#include <string>
#include <vector>

class QSqlDatabase;
class QSqlError;
class QTimer;
struct UnitRecord;

// Sends the units queued in the station store to the line's PostgreSQL, on a
// thread of its own: a server that is down, slow or refusing holds up only
// this thread, never the writer or the window. A unit leaves the queue only
// after the server committed it, and the server keeps the first copy of a
// unit id it sees, so a unit sent twice (the tool stopped between the two
// commits) still arrives once. A unit the server refuses for itself (its
// data, not the connection) does not hold up the units behind it: they are
// sent one by one past it, and after a few tries it is set aside
// (lineQueue.h) with the server's words, logged once.
class LineForwarder : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultBatch = 500;
    // Seconds a connection attempt may take before the server counts as down.
    static constexpr int ConnectTimeoutS = lineConnection::ConnectTimeoutS;
    // The longest a batch may take on the server.
    static constexpr int StatementTimeoutMs = 10000;

    // vfs: see resultStoreFile::Access.
    LineForwarder(const QString &storePath, const LineTarget &target, int busyTimeoutMs, int intervalMs,
                  int batch = DefaultBatch, const QString &vfs = QString());
    ~LineForwarder() override;

    // From any thread: the close is coming. What runs ends after the unit or
    // batch in flight, which the connection's own timeouts bound.
    void requestStop() { m_stopping = true; }

    // All on the forwarder's thread.
    Q_INVOKABLE void start();
    void stop();
    // The last job: stopped, and the forwarder ends with its thread.
    Q_INVOKABLE void finish();
    // Sends queued units until the queue is empty or the server fails; the
    // number delivered, or -1 when the server failed (the rest stay queued).
    int forwardQueued();
    // One batch: the number delivered (0 when nothing waits), -1 on failure.
    int forwardBatch();

    // Tries before a unit the server refuses for itself is set aside.
    static constexpr int RefusalsBeforeAside = 3;
    // The server's error is about the unit's data, not about the server or
    // the connection: another unit would go through.
    static bool refusesTheUnit(const QSqlError &error);

    // Statements that make the line store's table or bring an older one up
    // to date; run by the forwarder on every new connection, and by whoever
    // sets a server up (lineSchema).
    static QStringList schemaStatements();

signals:
    void forwarded(int count);

private:
    bool ensureServer();
    void dropServer(const QString &why);
    // The units in one transaction; false with the server's error.
    bool send(const std::vector<UnitRecord> &units, QSqlError *error);
    void refused(QSqlDatabase &store, const UnitRecord &unit, const QSqlError &error);

    QString m_storePath;
    QString m_vfs;
    LineTarget m_target;
    QString m_storeConnection;
    QString m_serverConnection;
    int m_busyTimeoutMs = 0;
    int m_batch = DefaultBatch;
    bool m_serverUp = false;
    bool m_outageLogged = false;
    std::atomic<bool> m_stopping{false};
    std::map<std::string, int> m_refusals; // tries of units the server refused, by unit id
    QTimer *m_timer = nullptr;
};
