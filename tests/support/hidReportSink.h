#pragma once

// Stands in for the window's answer handler: takes the link's reports on the
// GUI thread, keeps a copy of the 64 bytes and the length, and frees the
// buffer as the real receiver must.

#include <QByteArray>
#include <QObject>
#include <QVector>

class HidReportSink : public QObject
{
    Q_OBJECT
public:
    struct Received
    {
        QByteArray bytes; // all 64 bytes of the buffer
        int length = 0;
    };
    QVector<Received> reports;

public slots:
    void onHidDataArrived(unsigned char *data, int length)
    {
        Received r;
        r.bytes = QByteArray(reinterpret_cast<const char *>(data), 64);
        r.length = length;
        delete[] data;
        reports.append(r);
        emit sigReceived();
    }

signals:
    void sigReceived();
};
