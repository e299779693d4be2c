#pragma once

// Stands in for the desktop's default handler of web addresses, so a test can
// see what the window asked to open without starting a browser.

#include <QList>
#include <QObject>
#include <QUrl>

class mainPageDiaUrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;

public slots:
    void openUrl(const QUrl &url) { opened.append(url); }
};
