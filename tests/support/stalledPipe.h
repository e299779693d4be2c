#pragma once

// A file that takes nothing until told to, standing in for a disk that has
// stopped: a named pipe, whose reader starts reading (on a thread of its own)
// only with startReading(). Where the system has no such pipe that a plain
// file open can write to (Windows), isValid() is false.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <thread>

class StalledPipe
{
public:
    StalledPipe();
    ~StalledPipe();

    StalledPipe(const StalledPipe &) = delete;
    StalledPipe &operator=(const StalledPipe &) = delete;

    bool isValid() const { return m_reader >= 0; }
    QString path() const { return m_path; }
    void startReading();
    // Everything read, once the writer has closed its end.
    QByteArray text();

private:
    QTemporaryDir m_root;
    QString m_path;
    int m_reader = -1;
    std::thread m_drain;
    QByteArray m_text;
};
