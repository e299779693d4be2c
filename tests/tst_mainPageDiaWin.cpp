// The real window under Windows: registered for device notifications, and a
// WM_DEVICECHANGE for the selected ids, sent to its own handle, runs the
// arrival and then the removal sequence (no keyboard is attached, so the
// arrival finds nothing and the removal shows "Disconnect").
#include "mainPageDia.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <QtTest>

#include <windows.h>

#include <dbt.h>

#include <cstring>
#include <vector>

namespace {

QStringList g_log;

void recordMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_log.append(message);
}

// DEV_BROADCAST_DEVICEINTERFACE_W with the path after the fixed part, zero-terminated.
std::vector<unsigned char> interfaceRecord(const wchar_t *path)
{
    const size_t nameBytes = (std::wcslen(path) + 1) * sizeof(wchar_t);
    std::vector<unsigned char> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + nameBytes, 0);
    auto *record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W *>(bytes.data());
    record->dbcc_size = DWORD(bytes.size());
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(record->dbcc_name, path, nameBytes);
    return bytes;
}

} // namespace

class tst_mainPageDiaWin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qInstallMessageHandler(recordMessage);
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)).removeRecursively();
    }

    void deviceChangeRunsTheSequences()
    {
        mainPageDia window; // the default entry: 0416:b23c
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (const QString &line : qAsConst(g_log))
            QVERIFY2(!line.contains(QStringLiteral("GetLastError")), qPrintable(line));
        const HWND hwnd = HWND(window.winId());
        QLabel *status = window.findChild<QLabel *>(QStringLiteral("label_ConnectStatus"));
        QLabel *progress = window.findChild<QLabel *>(QStringLiteral("label_ConnectStatus_02"));
        QLabel *disconnects = window.findChild<QLabel *>(QStringLiteral("label_DisconNum"));

        // Another device's notification changes nothing.
        std::vector<unsigned char> other =
            interfaceRecord(L"\\\\?\\USB#VID_046D&PID_C31C#6&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
        SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, LPARAM(other.data()));
        QTest::qWait(700);
        QVERIFY(progress->text().isEmpty() || !progress->text().contains(QStringLiteral("insert")));

        std::vector<unsigned char> ours =
            interfaceRecord(L"\\\\?\\USB#VID_0416&PID_B23C#6&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
        SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, LPARAM(ours.data()));
        QCOMPARE(progress->text(), QStringLiteral("Hid 01 insert begin ---***>>> 01"));
        QTRY_COMPARE_WITH_TIMEOUT(progress->text(), QStringLiteral("Hid insert end ---*>>> 02"), 10000);

        SendMessageW(hwnd, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, LPARAM(ours.data()));
        QTRY_COMPARE_WITH_TIMEOUT(progress->text(), QStringLiteral("Hid hid output end ---*>>> 02"), 10000);
        QCOMPARE(status->text(), QStringLiteral("Disconnect"));
        QCOMPARE(disconnects->text(), QStringLiteral("1"));
    }
};

QTEST_MAIN(tst_mainPageDiaWin)
#include "tst_mainPageDiaWin.moc"
