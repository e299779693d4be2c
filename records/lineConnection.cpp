#include "lineConnection.h"

#include <QSqlError>

namespace lineConnection {

QSqlDatabase open(const QString &name, const LineTarget &target, QString *error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!db.isValid()) {
        if (error)
            *error = QStringLiteral("this build has no PostgreSQL driver (QPSQL)");
        return db;
    }
    db.setHostName(target.host);
    db.setPort(target.port);
    db.setDatabaseName(target.database);
    db.setUserName(target.user);
    QString options = QStringLiteral("connect_timeout=%1;application_name=TavrinKeyboardTest;tcp_user_timeout=%2;"
                                     "keepalives_idle=5;keepalives_interval=2;keepalives_count=3")
                          .arg(ConnectTimeoutS)
                          .arg(DeadPeerMs);
    // The URL's TLS settings, as the client library takes them.
    if (!target.connectOptions.isEmpty())
        options += QLatin1Char(';') + target.connectOptions;
    db.setConnectOptions(options);
    if (!db.open() && error)
        *error = db.lastError().text();
    return db;
}

} // namespace lineConnection
