#include "lineTarget.h"

#include <QUrl>
#include <QUrlQuery>

LineTarget parseLineTarget(const QString &text)
{
    LineTarget target;
    const QUrl url(text, QUrl::StrictMode);
    target.printable = url.toString(QUrl::RemovePassword);
    if (!url.isValid() || (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres"))) {
        target.printable = QStringLiteral("(not a postgresql:// URL)");
        target.problem = QStringLiteral("not a postgresql:// URL");
        return target;
    }
    const QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("password"))) {
        QUrl shown = url;
        QUrlQuery shownQuery(query);
        shownQuery.removeAllQueryItems(QStringLiteral("password"));
        shown.setQuery(shownQuery);
        target.printable = shown.toString(QUrl::RemovePassword);
    }
    target.host = url.host();
    if (query.hasQueryItem(QStringLiteral("host")))
        target.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    target.port = url.port(5432);
    if (query.hasQueryItem(QStringLiteral("port"))) {
        bool ok = false;
        target.port = query.queryItemValue(QStringLiteral("port")).toInt(&ok);
        if (!ok || target.port <= 0 || target.port > 65535) {
            target.problem = QStringLiteral("port is not a port number");
            return target;
        }
    }
    target.database = url.path(QUrl::FullyDecoded).mid(1);
    target.user = url.userName(QUrl::FullyDecoded);
    target.passwordIgnored = !url.password().isEmpty() || query.hasQueryItem(QStringLiteral("password"));
    if (target.database.isEmpty()) {
        target.problem = QStringLiteral("no database named");
        return target;
    }
    target.valid = true;
    return target;
}
