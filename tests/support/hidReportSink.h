#pragma once

// Stands in for the window's answer handler: takes the link's reports, keeps a
// copy of the 64 bytes, the length and the thread it ran on, taking the buffer
// over as the real receiver must.

#include "mainHidInterFace.h"

#include <QByteArray>
#include <QObject>
#include <QThread>
#include <QVector>

class HidReportSink : public QObject
{
    Q_OBJECT
public:
    struct Received
    {
        QByteArray bytes; // all 64 bytes of the buffer
        int length = 0;
        QThread *thread = nullptr; // where the slot ran
    };
    QVector<Received> reports;

public slots:
    void onHidDataArrived(unsigned char *data, int)
    {
        const MainHidInterFace::TakenReport taken = MainHidInterFace::takeReport(data);
        // A report of a link closed meanwhile: freed by the link, not for us.
        if (!taken.data)
            return;
        Received r;
        r.bytes = QByteArray(reinterpret_cast<const char *>(taken.data.get()), 64);
        r.length = taken.length;
        r.thread = QThread::currentThread();
        reports.append(r);
        emit sigReceived();
    }

signals:
    void sigReceived();
};
