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
    db.setConnectOptions(QStringLiteral("connect_timeout=%1;application_name=TavrinKeyboardTest").arg(ConnectTimeoutS));
    if (!db.open() && error)
        *error = db.lastError().text().simplified();
    return db;
}

} // namespace lineConnection
