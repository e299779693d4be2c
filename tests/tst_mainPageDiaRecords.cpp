// The unit record of a run through the window against the simulated keyboard,
// read back as the line engineer reads it: the exported CSV row.
#include "keyboardButCustom.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "resultExport.h"
#include "resultStore.h"
#include "simWindowHarness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>
#include <utility>

using namespace simWindow;
using sim::SimKeyboard;
using sim::SimKeyboardConfig;

class tst_mainPageDiaRecords : public QObject
{
    Q_OBJECT

    std::unique_ptr<mainPageDia> m_window;

private slots:
    void initTestCase()
    {
        recordLog();
        startClean();
    }

    void cleanup() { m_window.reset(); }

    // A unit from connection to removal leaves one record: its identity, the
    // keys pressed, the key check's bad keys, and how it ended.
    void unitRecordOfARun()
    {
        const uint8_t keyA = 0x04;
        SimKeyboardConfig c;
        c.layout[0][0] = keyA;
        c.keyCheckMasks[0] = 0x01; // A fails
        SimKeyboard kb = SimKeyboard::plugIn(c);
        const QString settings =
            QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/UserConfig");
        QDir().mkpath(settings);
        QSettings(settings + QStringLiteral("/Config.ini"), QSettings::IniFormat)
            .setValue(QStringLiteral("station/operator"), QStringLiteral("Ana"));
        m_window.reset(new mainPageDia);
        m_window->init(QStringLiteral("English"));
        m_window->show();
        keyboardPage *page = m_window->findChild<keyboardPage *>();
        QTRY_VERIFY(page->keyButtonByKeyDec(keyA));
        QTRY_VERIFY(isConnected(m_window.get()));
        QTRY_COMPARE(logCount(QStringLiteral("Keyboard layout [Get Over]")), 1);
        // The shift's operator, kept from the last start, shows and is the unit's.
        QCOMPARE(m_window->findChild<QLineEdit *>(QStringLiteral("lineEdit_Operator"))->text(), QStringLiteral("Ana"));
        ResultStore *store = m_window->findChild<ResultStore *>();
        QVERIFY(store);
        QSignalSpy saved(store, &ResultStore::saved);

        m_window->handleHookKeyEvent(0, 0x41, 0x1E, 0x00, false);
        m_window->handleHookKeyEvent(0, 0x41, 0x1E, 0x80, false);
        m_window->findChild<QRadioButton *>(QStringLiteral("radioButton_IrTest"))->click();
        m_window->findChild<QAbstractButton *>(QStringLiteral("pushBut_IRKeyTest"))->click();
        QTRY_COMPARE(keyStateOf(page->keyButtonByKeyDec(keyA)), int(keyButtonLook::KeyState_Fail));
        kb.unplug();
        presenceOf(m_window.get())->injectUdevEvent(usbEvent(c, 1, false));
        QTRY_COMPARE_WITH_TIMEOUT(saved.count(), 1, 10000);

        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("units.csv"));
        qint64 rows = 0;
        QString error;
        QVERIFY2(resultExport::exportCsv(store->filePath(), csv, ResultFilter(), &rows, &error), qPrintable(error));
        QCOMPARE(rows, qint64(1));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        const QStringList header = lines.at(0).split(QLatin1Char(','));
        // The model holds a comma and comes quoted; nothing holds a quote.
        QStringList row;
        bool quoted = false;
        QString cell;
        for (QChar ch : lines.at(1)) {
            if (ch == QLatin1Char('"'))
                quoted = !quoted;
            else if (ch == QLatin1Char(',') && !quoted)
                row << std::exchange(cell, QString());
            else
                cell += ch;
        }
        row << cell;
        QVERIFY2(row.size() == header.size(), qPrintable(lines.at(1)));
        auto field = [&](const char *name) { return row.at(header.indexOf(QLatin1String(name))); };
        QCOMPARE(field("pid"), QStringLiteral("b23c"));
        QCOMPARE(field("keys_pressed"), QStringLiteral("65"));
        QCOMPARE(field("key_check_bad_keys"), QString::number(keyA));
        QCOMPARE(field("outcome"), QStringLiteral("failed"));
        QCOMPARE(field("ended"), QStringLiteral("removal"));
        QCOMPARE(field("operator"), QStringLiteral("Ana"));
        QVERIFY2(field("reason_kinds").startsWith(QLatin1String("keyCheck")), qPrintable(field("reason_kinds")));
        // The station's criteria as they judged the unit: the defaults here.
        QCOMPARE(field("criteria"),
                 QStringLiteral("keys=all;chatter=fail;chatterMs=30;keyCheck=ifRun;calibration=ifRun;"
                                "minKeysHeld=0;serial=off;firmware=required;source=any"));
    }
};

QTEST_MAIN(tst_mainPageDiaRecords)
#include "tst_mainPageDiaRecords.moc"
