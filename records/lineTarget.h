#pragma once

#include <QString>

// Where the line store is, read from a postgresql:// (or postgres://) URL:
//   postgresql://user@host:5432/database
//   postgresql://user@/database?host=/run/postgresql   (a Unix socket folder)
// A password in the URL is ignored, so it never lands in a settings file or a
// log; the client library reads it from PGPASSWORD or a pgpass file.
struct LineTarget
{
    bool valid = false;
    QString host; // a name, an address, or a socket folder starting with '/'
    int port = 5432;
    QString database;
    QString user;
    bool passwordIgnored = false;
    QString printable; // the URL without any password, for the log
    QString problem;   // why it is not valid
};

LineTarget parseLineTarget(const QString &url);
