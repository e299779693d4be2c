// The station's Results, opened from the window over a store of known units
// while a keyboard is under test.
#include "keyButtonLook.h"
#include "keyboardButCustom.h"
#include "keyboardPage.h"
#include "keyboardPageLayout.h"
#include "resultsCommand.h"
#include "resultsView.h"
#include "simWindowHarness.h"

#include "commandLineRun.h"
#include "handMadeUnits.h"
#include "stationStore.h"

#include <QDateEdit>
#include <QDateTime>
#include <QPushButton>

#include <memory>

using namespace simWindow;
using sim::SimKeyboard;
using sim::SimKeyboardConfig;

namespace {

QString valueOf(const ResultsView *view, const char *name)
{
    const QLabel *label = view->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("(no %1)").arg(QLatin1String(name));
}

} // namespace

class tst_mainPageDiaResults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { recordLog(); }

    void resultsBesideARunningTest()
    {
        startClean();
        // The hand-made units' second day is today.
        const QDate today = QDate::currentDate();
        const qint64 yesterday = QDateTime(today.addDays(-1), QTime(0, 0), Qt::LocalTime).toMSecsSinceEpoch();
        const QString dataDir =
            QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/UserConfig");
        writeStationStore(dataDir, handMadeUnits::bothStations(yesterday));
        SimKeyboardConfig c;
        SimKeyboard kb = SimKeyboard::plugIn(c);
        auto window = std::make_unique<mainPageDia>();
        window->init(QStringLiteral("English"));
        window->show();
        keyboardPage *page = window->findChild<keyboardPage *>();
        QTRY_VERIFY(page->keyButton(65));
        QTRY_VERIFY(isConnected(window.get()));

        auto *results = window->findChild<QPushButton *>(QStringLiteral("pushButton_Results"));
        QVERIFY(results && results->isVisible());
        QCOMPARE(results->text(), QStringLiteral("Results"));
        results->click();
        auto *view = window->findChild<ResultsView *>();
        QVERIFY(view);
        QSignalSpy shown(view, &ResultsView::figuresShown);
        QVERIFY(shown.wait(10000));
        QVERIFY(view->isVisible());
        // Today: S3 failed its first attempt, S2 its second.
        QCOMPARE(valueOf(view, "label_ResultsUnits"), QStringLiteral("2"));
        QCOMPARE(valueOf(view, "label_ResultsFirstPass"), QStringLiteral("0.0 %  (0/2)"));

        view->findChild<QDateEdit *>(QStringLiteral("dateEdit_ResultsFrom"))->setDate(today.addDays(-1));
        view->findChild<QDateEdit *>(QStringLiteral("dateEdit_ResultsTo"))->setDate(today);
        view->findChild<QPushButton *>(QStringLiteral("pushButton_ResultsShow"))->click();
        QVERIFY(shown.wait(10000));
        QCOMPARE(valueOf(view, "label_ResultsUnits"), QStringLiteral("7"));
        QCOMPARE(valueOf(view, "label_ResultsFirstPass"), QStringLiteral("33.3 %  (1/3)"));
        QCOMPARE(valueOf(view, "label_ResultsFinalYield"), QStringLiteral("33.3 %  (1/3)"));
        QCOMPARE(valueOf(view, "label_ResultsRetests"), QStringLiteral("2"));
        QCOMPARE(valueOf(view, "label_ResultsIncomplete"), QStringLiteral("1"));
        // A failed three units (two chattered, one calibration): the most, red.
        keyboardPage *heat = view->findChild<keyboardPage *>();
        QVERIFY(heat && heat != page);
        QCOMPARE(heat->keyButton(65)->styleSheet(), keyButtonLook::heatStyleSheet(3, 3));
        QCOMPARE(heat->keyButton(65)->text(), QStringLiteral("A\n3"));
        QCOMPARE(heat->keyButton(70)->styleSheet(), keyButtonLook::heatStyleSheet(1, 3));
        QCOMPARE(heat->keyButton(71)->styleSheet(), keyButtonLook::heatStyleSheet(0, 3));

        // The summary of the same days over the same store says the same.
        const auto utc = [](const QDate &day) {
            return QDateTime(day, QTime(0, 0), Qt::LocalTime).toUTC().toString(Qt::ISODate);
        };
        QString summary;
        QCOMPARE(
            runCommandLine([&](CommandLine &commandLine) { resultsCommand::addTo(commandLine, dataDir); },
                           {"--results-summary", "--since", utc(today.addDays(-1)), "--until", utc(today.addDays(1))},
                           &summary),
            0);
        // units, incomplete, serials, first pass and its share, final and its share, retests
        const QRegularExpressionMatch total =
            QRegularExpression(
                QStringLiteral("\ntotal +(\\d+) +\\d+ +\\d+ +(\\d+) +(\\d+) +(\\d+) \\(([^)]+)\\) +(\\d+) "
                               "\\(([^)]+)\\) +(\\d+)\n"))
                .match(summary);
        QVERIFY2(total.hasMatch(), qPrintable(summary));
        QCOMPARE(valueOf(view, "label_ResultsUnits"), total.captured(1));
        QCOMPARE(valueOf(view, "label_ResultsIncomplete"), total.captured(2));
        QCOMPARE(valueOf(view, "label_ResultsFirstPass"),
                 QStringLiteral("%1  (%2/%3)").arg(total.captured(5), total.captured(4), total.captured(3)));
        QCOMPARE(valueOf(view, "label_ResultsFinalYield"),
                 QStringLiteral("%1  (%2/%3)").arg(total.captured(7), total.captured(6), total.captured(3)));
        QCOMPARE(valueOf(view, "label_ResultsRetests"), total.captured(8));
        int failedOnA = 0;
        for (const QString &row : summary.split(QLatin1Char('\n')))
            if (row.startsWith(QLatin1String("A (")))
                failedOnA += row.section(QLatin1Char(' '), -1).toInt();
        QCOMPARE(heat->keyButton(65)->text(), QStringLiteral("A\n%1").arg(failedOnA));

        // The unit under test is still tested: its keys reach the window's page.
        QVERIFY(isConnected(window.get()));
        window->handleHookKeyEvent(0, 0x47, 0x22, 0x00, false);
        QCOMPARE(keyStateOf(page->keyButton(71)), int(keyButtonLook::KeyState_Down));
        window->handleHookKeyEvent(0, 0x47, 0x22, 0x80, false);
        QCOMPARE(keyStateOf(page->keyButton(71)), int(keyButtonLook::KeyState_Released));
    }
};

QTEST_MAIN(tst_mainPageDiaResults)
#include "tst_mainPageDiaResults.moc"
