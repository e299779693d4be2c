#pragma once

#include <QString>

// Where the line store is, read from a postgresql:// (or postgres://) URL:
//   postgresql://user@host:5432/database?sslmode=verify-full&sslrootcert=/etc/line/root.crt
//   postgresql://user@/database?host=/run/postgresql   (a Unix socket folder)
// Besides host and port, the query may hold the client library's TLS
// settings sslmode, sslrootcert, sslcert, sslkey and sslcrl. Any other
// parameter, one given twice or a value that cannot be passed on as written
// makes the URL invalid: a setting dropped or guessed at could quietly weaken
// the connection. A password in the URL is ignored, so it never lands in a
// settings file or a log; the client library reads it from PGPASSWORD or a
// pgpass file.
struct LineTarget
{
    bool valid = false;
    QString host; // a name, an address, or a socket folder starting with '/'
    int port = 5432;
    QString database;
    QString user;
    // The URL's TLS settings as the PostgreSQL driver's connect options,
    // quoted for the client library: sslmode='verify-full';sslrootcert='...'
    QString connectOptions;
    QString sslmode; // empty: the client library's default
    bool passwordIgnored = false;
    QString printable; // the URL without any password or unknown parameter, for the log
    QString problem;   // why it is not valid

    // require, verify-ca and verify-full promise an encrypted connection.
    bool encryptionRequired() const;
};

LineTarget parseLineTarget(const QString &url);
