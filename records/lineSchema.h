#pragma once

#include <QStringList>

// The line store's schema on its PostgreSQL server: the table unit_results
// with the columns of every tool so far, the numbering of each serial's
// attempts across the line, and the figures' functions (figuresSql). Every
// statement can run again on a server that has it all: the line store's
// sender runs them on each new connection, and a DBA can run them by hand
// (for instance where stations may not create anything).
namespace lineSchema {

QStringList statements();

} // namespace lineSchema
