#pragma once

#include "lineTarget.h"

#include <QSqlDatabase>
#include <QString>

// A connection to the line store as every part of the tool makes it: the
// URL's server, database, user and TLS settings, a bounded connect, a dead
// peer noticed within seconds and the tool's name for the server's own views.
namespace lineConnection {

// Seconds a connection attempt may take before the server counts as down.
constexpr int ConnectTimeoutS = 5;
// A server gone without a word (its cable pulled): the connection counts as
// lost after this, rather than after the system's quarter of an hour.
constexpr int DeadPeerMs = 10000;

// Adds the connection `name` and opens it; on failure the database is not
// open and error says why. Release it with resultStoreFile::release(name).
QSqlDatabase open(const QString &name, const LineTarget &target, QString *error);

} // namespace lineConnection
