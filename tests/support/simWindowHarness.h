#pragma once

// The window against the simulated keyboard: what it wrote, what it logged,
// and plugging as the bus reports it (one usb_device event per plug, the way
// the udev monitor hands it to device presence).
#include "devicePresence.h"
#include "mainPageDia.h"
#include "simKeyboard.h"

#include <QDir>
#include <QLabel>
#include <QMutex>
#include <QStandardPaths>
#include <QStringList>
#include <QtTest>

#include <cstdio>
#include <vector>

namespace simWindow {

using Bytes = std::vector<uint8_t>;

// The window's pool tasks and the link's worker log too: every use of the
// lines holds this.
inline QMutex &logMutex()
{
    static QMutex mutex;
    return mutex;
}

inline QStringList &logLines()
{
    static QStringList lines;
    return lines;
}

inline QtMessageHandler &previousHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

inline void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        QMutexLocker lock(&logMutex());
        logLines().append(message);
    }
    if (previousHandler())
        previousHandler()(type, context, message);
}

inline void recordLog()
{
    previousHandler() = qInstallMessageHandler(recordMessage);
}

// Each test starts from nothing: no keyboards plugged in, no settings or
// records left by the one before, an empty log.
inline void startClean()
{
    sim::SimKeyboard::resetAll();
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    QMutexLocker lock(&logMutex());
    logLines().clear();
}

inline int logCount(const QString &part)
{
    QMutexLocker lock(&logMutex());
    int n = 0;
    for (const QString &line : qAsConst(logLines()))
        n += line.contains(part) ? 1 : 0;
    return n;
}

inline Bytes frame(std::initializer_list<uint8_t> head)
{
    Bytes b(head);
    b.resize(64, 0);
    return b;
}

// What the window wrote to a keyboard, without the identity queries of the search.
inline QList<Bytes> linkWrites(const sim::SimKeyboard &kb)
{
    QList<Bytes> out;
    for (const auto &w : kb.writtenReports())
        if (w.bytes.size() < 2 || w.bytes[1] != 0x0D)
            out.append(w.bytes);
    return out;
}

inline int writesWithCode(const sim::SimKeyboard &kb, uint8_t code)
{
    int n = 0;
    for (const Bytes &w : linkWrites(kb))
        n += w.size() > 1 && w[1] == code ? 1 : 0;
    return n;
}

inline QString hex4(uint16_t id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}

// The usb_device event of one plug or unplug, as udev gives it: an add carries
// the ids, a remove only PRODUCT (leading zeros dropped) and the device path.
inline deviceChange::UdevEvent usbEvent(const sim::SimKeyboardConfig &c, int port, bool add)
{
    deviceChange::UdevEvent e;
    e.action = add ? "add" : "remove";
    e.subsystem = "usb";
    e.devtype = "usb_device";
    e.devpath = "/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(port);
    char product[32];
    std::snprintf(product, sizeof product, "%x/%x/100", c.vendorId, c.productId);
    e.product = product;
    if (add) {
        e.idVendor = hex4(c.vendorId).toStdString();
        e.idModel = hex4(c.productId).toStdString();
    }
    return e;
}

inline DevicePresence *presenceOf(mainPageDia *window)
{
    return window->findChild<DevicePresence *>();
}

inline QString labelText(mainPageDia *window, const char *name)
{
    QLabel *label = window->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QString();
}

inline bool isConnected(mainPageDia *window)
{
    return labelText(window, "label_ConnectStatus") == QLatin1String("Connect success");
}

// A benchmark's window, shown in English: false, with the reason printed,
// when it did not connect to the simulated keyboard plugged in before.
inline bool showConnected(mainPageDia &window)
{
    window.init(QStringLiteral("English"));
    window.show();
    if (isConnected(&window))
        return true;
    std::printf("the window did not connect to the simulated keyboard\n");
    return false;
}

} // namespace simWindow
