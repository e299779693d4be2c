// The unit's verdict through the window against the simulated keyboard: on
// the bar while the unit is tested, and in the record when it ends.
#include "keyboardHookCore.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "resultStore.h"
#include "sampleUnit.h"
#include "simWindowHarness.h"
#include "verdictBar.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>

#include <memory>

using namespace simWindow;
using sim::SimKeyboard;
using sim::SimKeyboardConfig;

namespace {

const uint8_t kUsageA = 0x04;
const uint32_t kVkA = 0x41;
const uint32_t kScanA = 0x1E;

QString configFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/UserConfig/Config.ini");
}

void writeVerdictSettings(const QStringList &pairs, const QString &section = QStringLiteral("verdict"))
{
    QSettings settings(configFile(), QSettings::IniFormat);
    for (const QString &pair : pairs)
        settings.setValue(section + QLatin1Char('/') + pair.section(QLatin1Char('='), 0, 0),
                          pair.section(QLatin1Char('='), 1));
}

// A key event as the capture hands it on, at the capture's own time.
void key(uint32_t flags, std::int64_t atMs)
{
    keyboardHookCore().handleKeyEvent(0, kVkA, kScanA, flags, false, atMs * 1000);
}

} // namespace

class tst_mainPageDiaVerdict : public QObject
{
    Q_OBJECT

    std::unique_ptr<mainPageDia> m_window;
    SimKeyboardConfig m_config;

    // The window with the keyboard connected (or, plugged false, waiting for one).
    void openWindow(bool plugged)
    {
        m_config = SimKeyboardConfig();
        m_config.layout[0][0] = kUsageA;
        if (plugged)
            SimKeyboard::plugIn(m_config);
        m_window.reset(new mainPageDia);
        m_window->init(QStringLiteral("English"));
        m_window->show();
        QTRY_VERIFY(page()->keyButtonByKeyDec(kUsageA));
        if (plugged) {
            QTRY_VERIFY(isConnected(m_window.get()));
            QTRY_COMPARE(logCount(QStringLiteral("Keyboard layout [Get Over]")), 1);
        }
    }

    keyboardPage *page() const { return m_window->findChild<keyboardPage *>(); }
    VerdictBar *bar() const { return m_window->findChild<VerdictBar *>(); }

    // Pulls the keyboard out and gives back the unit's record: outcome|reasons|serial|most keys held.
    QString recordAfterRemoval()
    {
        ResultStore *store = m_window->findChild<ResultStore *>();
        QSignalSpy saved(store, &ResultStore::saved);
        SimKeyboard::find(m_config.vendorId, m_config.productId, true).unplug();
        presenceOf(m_window.get())->injectUdevEvent(usbEvent(m_config, 1, false));
        if (!saved.wait(10000))
            return QStringLiteral("no record");
        const QStringList rows = firstColumn(
            QStringLiteral("QSQLITE"), store->filePath(),
            QStringLiteral("SELECT outcome || '|' || ifnull(reasons, '') || '|' || ifnull(serial, '') || '|' ||"
                           " max_keys_held FROM units"));
        return rows.size() == 1 ? rows.first() : rows.join(QLatin1Char('\n'));
    }

private slots:
    void initTestCase() { recordLog(); }

    void init() { startClean(); }

    void cleanup() { m_window.reset(); }

    void passByKeyCheck()
    {
        writeVerdictSettings({"keys=none", "keyCheck=required"});
        openWindow(true);
        QCOMPARE(bar()->text(), QStringLiteral("key check not run"));
        m_window->findChild<QRadioButton *>(QStringLiteral("radioButton_IrTest"))->click();
        m_window->findChild<QAbstractButton *>(QStringLiteral("pushBut_IRKeyTest"))->click();
        QTRY_COMPARE(bar()->text(), QStringLiteral("PASS"));
        QVERIFY(bar()->styleSheet().contains(QLatin1String("#22ba20")));
        QCOMPARE(logCount(QStringLiteral("verdict: PASS")), 1);
        QCOMPARE(recordAfterRemoval(), QStringLiteral("passed|||0"));
        QCOMPARE(bar()->text(), QStringLiteral("Plug a keyboard in"));
    }

    void failByChatterWithTheKeyRed()
    {
        openWindow(true);
        keyboardButCustom *a = page()->keyButtonByKeyDec(kUsageA);
        key(0x00, 1000);
        key(0x80, 1050);
        key(0x00, 1062); // 12 ms after its release: a bounce
        QCOMPARE(keyStateOf(a), int(keyButtonLook::KeyState_Fail));
        QVERIFY2(bar()->text().startsWith(QLatin1String("FAIL   A chattered (12 ms); ")), qPrintable(bar()->text()));
        QVERIFY(bar()->styleSheet().contains(QLatin1String("#e81122")));
        key(0x80, 1100);
        QCOMPARE(keyStateOf(a), int(keyButtonLook::KeyState_Fail)); // red through its next presses
        // Neither Ctrl+Space nor a variant click talks the unit out of it.
        keyboardHookCore().handleKeyEvent(0, 0x20, 0x39, 0x00, true, 1200 * 1000);
        keyboardHookCore().handleKeyEvent(0, 0x20, 0x39, 0x80, true, 1210 * 1000);
        page()->findChild<QRadioButton *>(QStringLiteral("radioButton_UK"))->click();
        QCOMPARE(keyStateOf(a), int(keyButtonLook::KeyState_Fail));
        QVERIFY2(bar()->text().startsWith(QLatin1String("FAIL   A chattered (12 ms)")), qPrintable(bar()->text()));
        const QString record = recordAfterRemoval();
        QVERIFY2(record.startsWith(QLatin1String("failed|A chattered (12 ms); ")), qPrintable(record));
        QVERIFY2(record.endsWith(QLatin1String("never pressed||0")), qPrintable(record)); // held: since the restart
    }

    // Bad keys the window cannot place (the keyboard never sent its whole
    // matrix) fail the unit all the same, by their place in the matrix.
    void keyCheckOnAPartialMatrixFails()
    {
        writeVerdictSettings({"keys=none"});
        m_config = SimKeyboardConfig();
        m_config.layout[0][0] = kUsageA;
        m_config.layoutRowsAnswered = 3;
        m_config.keyCheckMasks[1] = 0x02;
        SimKeyboard::plugIn(m_config);
        m_window.reset(new mainPageDia);
        m_window->init(QStringLiteral("English"));
        m_window->show();
        QTRY_VERIFY(isConnected(m_window.get()));
        m_window->findChild<QRadioButton *>(QStringLiteral("radioButton_IrTest"))->click();
        m_window->findChild<QAbstractButton *>(QStringLiteral("pushBut_IRKeyTest"))->click();
        const QString reason = QStringLiteral("key check: 1 key failed (row 2 column 2 not on the layout)");
        QTRY_COMPARE(bar()->text(), QStringLiteral("FAIL   ") + reason);
        QCOMPARE(recordAfterRemoval(), QStringLiteral("failed|") + reason + QStringLiteral("||0"));
    }

    // A station whose criteria were mistyped judges no unit: it says so, and
    // every unit ends incomplete with the setting named.
    void settingsNotUnderstoodPassNoUnit()
    {
        writeVerdictSettings({"KEYS=none", "minKeysHeld=999"}, QStringLiteral("Verdict"));
        openWindow(false);
        const QString reason = QStringLiteral("Settings: minKeysHeld=999 not understood");
        QCOMPARE(bar()->text(), reason);
        SimKeyboard::plugIn(m_config);
        presenceOf(m_window.get())->injectUdevEvent(usbEvent(m_config, 1, true));
        QTRY_VERIFY_WITH_TIMEOUT(isConnected(m_window.get()), 10000);
        key(0x00, 1000);
        key(0x80, 1100);
        QCOMPARE(bar()->text(), reason);
        QCOMPARE(recordAfterRemoval(), QStringLiteral("incomplete|") + reason + QStringLiteral("||1"));
        QCOMPARE(logCount(QStringLiteral("Config.ini ") + reason), 1);
    }

    // The Korean keys of the KR variant count like any other.
    void koreanKeysCount()
    {
        openWindow(true);
        page()->findChild<QRadioButton *>(QStringLiteral("radioButton_KR"))->click();
        QVERIFY2(bar()->text().startsWith(QLatin1String("0 / ")), qPrintable(bar()->text()));
        for (uint32_t vk : {0x15u, 0x19u}) {
            keyboardHookCore().handleKeyEvent(0, vk, 0, 0x00, false, 2000 * 1000);
            keyboardHookCore().handleKeyEvent(0, vk, 0, 0x80, false, 2100 * 1000);
        }
        QVERIFY2(bar()->text().startsWith(QLatin1String("2 / ")), qPrintable(bar()->text()));
        QCOMPARE(keyStateOf(page()->keyButton(2350)), int(keyButtonLook::KeyState_Released));
        QCOMPARE(keyStateOf(page()->keyButton(2360)), int(keyButtonLook::KeyState_Released));
    }

    void incompleteAtRemoval()
    {
        openWindow(true);
        key(0x00, 1000);
        key(0x80, 1100);
        QVERIFY2(bar()->text().contains(QRegularExpression(QStringLiteral("^1 / \\d+ keys$"))),
                 qPrintable(bar()->text()));
        const QString record = recordAfterRemoval();
        QVERIFY2(record.startsWith(QLatin1String("incomplete|")) && record.endsWith(QLatin1String(" never pressed||1")),
                 qPrintable(record));
    }

    void serialScannedBeforePlugging()
    {
        writeVerdictSettings({"serial=require", "keys=none"});
        openWindow(false);
        QLineEdit *serial = m_window->findChild<QLineEdit *>(QStringLiteral("lineEdit_Serial"));
        QVERIFY(serial && serial->isVisible());
        // The scanner's keys reach the field: the key test waits for the unit.
        QCOMPARE(logCount(QStringLiteral("key test waits for a keyboard")), 1);
        QTRY_VERIFY(serial->hasFocus());
        QTest::keyClicks(serial, QStringLiteral("TK87-000123"));
        QTest::keyClick(serial, Qt::Key_Return);
        SimKeyboard::plugIn(m_config);
        presenceOf(m_window.get())->injectUdevEvent(usbEvent(m_config, 1, true));
        QTRY_VERIFY_WITH_TIMEOUT(isConnected(m_window.get()), 10000);
        QVERIFY(serial->isReadOnly());
        key(0x00, 1000);
        key(0x80, 1100);
        QCOMPARE(bar()->text(), QStringLiteral("PASS"));
        QCOMPARE(recordAfterRemoval(), QStringLiteral("passed||TK87-000123|1"));
        // Cleared for the next unit.
        QVERIFY(serial->text().isEmpty() && !serial->isReadOnly());
    }

    // A unit without its serial waits for one, never fails for it; a scan
    // while it is connected is its serial.
    void serialScannedWhileConnected_data()
    {
        QTest::addColumn<QString>("scanned");
        QTest::addColumn<QString>("record");
        QTest::newRow("scanned") << "TK87-000124"
                                 << "passed||TK87-000124|1";
        QTest::newRow("never given") << ""
                                     << "incomplete|no serial||1";
    }
    void serialScannedWhileConnected()
    {
        QFETCH(QString, scanned);
        writeVerdictSettings({"serial=require", "keys=none"});
        openWindow(false);
        SimKeyboard::plugIn(m_config);
        presenceOf(m_window.get())->injectUdevEvent(usbEvent(m_config, 1, true));
        QTRY_VERIFY_WITH_TIMEOUT(isConnected(m_window.get()), 10000);
        key(0x00, 1000);
        key(0x80, 1100);
        QCOMPARE(bar()->text(), QStringLiteral("no serial"));
        QLineEdit *serial = m_window->findChild<QLineEdit *>(QStringLiteral("lineEdit_Serial"));
        QVERIFY(!serial->isReadOnly());
        if (!scanned.isEmpty()) {
            QTest::keyClicks(serial, scanned);
            QTest::keyClick(serial, Qt::Key_Return);
            QCOMPARE(bar()->text(), QStringLiteral("PASS"));
            QVERIFY(serial->isReadOnly());
        }
        QTEST(recordAfterRemoval(), "record");
    }

    // Under the Chinese catalogue no English word of the verdict reaches the
    // bar (key names are the layout's, not the verdict's); the record keeps
    // its reasons in English.
    void barSpeaksTheOperatorsLanguage()
    {
        writeVerdictSettings({"serial=ask", "keyCheck=required", "minKeysHeld=3", "colour=red"});
        openWindow(true);
        m_window->init(QStringLiteral("Zh_SM"));
        QStringList english;
        const VerdictWords words;
        for (const std::string *text :
             {&words.neverPressed, &words.moreKeys, &words.noKeysToTest, &words.chattered, &words.keyCheckFailedOne,
              &words.keyCheckFailed, &words.notOnLayout, &words.matrixPosition, &words.calibrationFailed,
              &words.firmwareSilent, &words.noSerial, &words.keysNotFromUnit, &words.settingNotUnderstood,
              &words.keysHeld, &words.keyCheckNotRun, &words.calibrationNotRun, &words.calibrationUnfinished})
            english << QString::fromStdString(*text).split(QRegularExpression(QStringLiteral("[^A-Za-z]+")));
        english << QStringLiteral("PASS") << QStringLiteral("FAIL") << QStringLiteral("Testing")
                << QStringLiteral("Serial") << QStringLiteral("Plug") << QStringLiteral("Scan");
        english.removeAll(QString());
        const QRegularExpression anyEnglish(QStringLiteral("\\b(%1)\\b").arg(english.join(QLatin1Char('|'))),
                                            QRegularExpression::CaseInsensitiveOption);
        QLabel *serialTitle = m_window->findChild<QLabel *>(QStringLiteral("label_Serial"));
        auto shown = [&]() { return bar()->text() + QLatin1Char(' ') + serialTitle->text(); };

        key(0x00, 1000);
        key(0x80, 1050);
        QVERIFY2(!anyEnglish.match(shown()).hasMatch(), qPrintable(shown())); // testing, and what is open
        key(0x00, 1062);
        QVERIFY(bar()->styleSheet().contains(QLatin1String("#e81122")));
        QVERIFY2(!anyEnglish.match(shown()).hasMatch(), qPrintable(shown())); // failed, and why
        const QString record = recordAfterRemoval();
        QVERIFY2(record.startsWith(QLatin1String("failed|A chattered (12 ms); Settings: colour=red not understood")),
                 qPrintable(record));
        QVERIFY2(!anyEnglish.match(shown()).hasMatch(), qPrintable(shown())); // no unit
    }

    void firmwareNotAnswering()
    {
        openWindow(true);
        SimKeyboard::find(m_config.vendorId, m_config.productId, true).setHung(true);
        QTRY_VERIFY_WITH_TIMEOUT(bar()->text().startsWith(QLatin1String("FAIL   firmware not answering")), 8000);
        QVERIFY(isConnected(m_window.get()));
    }
};

QTEST_MAIN(tst_mainPageDiaVerdict)
#include "tst_mainPageDiaVerdict.moc"
