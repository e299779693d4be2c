#include "lineTarget.h"

#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

namespace {

const QStringList TlsParameters = {QStringLiteral("sslmode"), QStringLiteral("sslrootcert"), QStringLiteral("sslcert"),
                                   QStringLiteral("sslkey"), QStringLiteral("sslcrl")};
const QStringList OtherParameters = {QStringLiteral("host"), QStringLiteral("port")};
const QStringList SslModes = {QStringLiteral("disable"), QStringLiteral("allow"),     QStringLiteral("prefer"),
                              QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};

bool known(const QString &name)
{
    return TlsParameters.contains(name) || OtherParameters.contains(name);
}

// The client library's quoting of a connection setting.
QString quoted(QString value)
{
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

// Qt's PostgreSQL driver turns every ';' of its connect options into a space.
bool passable(const QString &value)
{
    return std::none_of(value.begin(), value.end(),
                        [](QChar c) { return c == QLatin1Char(';') || c.unicode() < 0x20; });
}

} // namespace

bool LineTarget::encryptionRequired() const
{
    return sslmode == QLatin1String("require") || sslmode.startsWith(QLatin1String("verify-"));
}

LineTarget parseLineTarget(const QString &text)
{
    LineTarget target;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres"))) {
        target.printable = QStringLiteral("(not a postgresql:// URL)");
        target.problem = QStringLiteral("not a postgresql:// URL");
        return target;
    }
    const QUrlQuery query(url);
    // Shown without what may be a secret: the password, and whatever the
    // tool does not know (the problem names it).
    QUrlQuery shownQuery;
    for (const auto &item : query.queryItems())
        if (known(item.first))
            shownQuery.addQueryItem(item.first, item.second);
    QUrl shown = url;
    shown.setQuery(shownQuery);
    target.printable = shown.toString(QUrl::RemovePassword);
    target.passwordIgnored = !url.password().isEmpty() || query.hasQueryItem(QStringLiteral("password"));

    QStringList options;
    for (const auto &item : query.queryItems(QUrl::FullyDecoded)) {
        const QString &name = item.first;
        const QString &value = item.second;
        if (name == QLatin1String("password"))
            continue;
        if (!known(name)) {
            target.problem = QStringLiteral("unknown parameter \"%1\"").arg(name);
            return target;
        }
        if (query.allQueryItemValues(name).size() > 1) {
            target.problem = QStringLiteral("%1 is given more than once").arg(name);
            return target;
        }
        if (!TlsParameters.contains(name))
            continue;
        if (value.isEmpty() || !passable(value)) {
            target.problem = QStringLiteral("%1 is empty or holds a ';' or a control character").arg(name);
            return target;
        }
        if (name == QLatin1String("sslmode")) {
            if (!SslModes.contains(value)) {
                target.problem =
                    QStringLiteral("sslmode \"%1\" is none of %2").arg(value, SslModes.join(QLatin1String(", ")));
                return target;
            }
            target.sslmode = value;
        }
        options << name + QLatin1Char('=') + quoted(value);
    }
    target.connectOptions = options.join(QLatin1Char(';'));

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
    // The client library never encrypts a Unix socket and does not say so:
    // a station asked to insist on TLS would talk in the clear. Without a
    // host it takes the default socket on Linux.
    if (target.encryptionRequired() && (target.host.isEmpty() || target.host.startsWith(QLatin1Char('/')))) {
        target.problem =
            QStringLiteral("sslmode=%1 needs the server's name or address: a Unix socket is never encrypted")
                .arg(target.sslmode);
        return target;
    }
    target.database = url.path(QUrl::FullyDecoded).mid(1);
    target.user = url.userName(QUrl::FullyDecoded);
    if (target.database.isEmpty()) {
        target.problem = QStringLiteral("no database named");
        return target;
    }
    target.valid = true;
    return target;
}
