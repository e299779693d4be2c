// The PDF report of a hand-made store, read back as a person and a machine
// would: its text (pdftotext) and its pages as pictures (pdftoppm).
#include "keyButtonLook.h"
#include "reportCommand.h"
#include "resultsCommand.h"

#include "commandLineRun.h"
#include "handMadeUnits.h"
#include "stationStore.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

int report(const QString &dataDir, const QStringList &args, QString *err = nullptr, QString *out = nullptr)
{
    const QString layout = QCoreApplication::applicationDirPath() + QStringLiteral("/configDir/KeyInfo.config");
    return runCommandLine(
        [&](CommandLine &commandLine) {
            resultsCommand::addTo(commandLine, dataDir);
            reportCommand::addTo(commandLine, dataDir, layout);
        },
        args, out, err);
}

QString run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Pixels of a colour, give or take what the PDF's compression and the
// rendering's smoothing change.
int pixelsOf(const QImage &image, const QColor &colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green()) + qAbs(c.blue() - colour.blue()) < 24)
                ++count;
        }
    return count;
}

} // namespace

class tst_resultsReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
                 "pdftotext and pdftoppm: Debian package poppler-utils (scripts/deps.sh test)");
        writeStationStore(m_dir.path(), handMadeUnits::bothStations());
    }

    // The figures in the text, the heat map in the pictures.
    void reportOfAStore()
    {
        const QString pdf = qEnvironmentVariableIsSet("TKT_KEEP_REPORT") ? qEnvironmentVariable("TKT_KEEP_REPORT")
                                                                         : m_dir.filePath(QStringLiteral("report.pdf"));
        QString err;
        QCOMPARE(report(m_dir.path(), {"--results-report", pdf}, &err), 0);
        QStringList lines;
        for (const QString &line : run(QStringLiteral("pdftotext"), {"-layout", pdf, "-"}).split(QLatin1Char('\n')))
            lines << line.normalized(QString::NormalizationForm_KC).simplified();
        // Every row of the summary's tables over the same store, as it stands.
        QString summary;
        QCOMPARE(report(m_dir.path(), {"--results-summary"}, &err, &summary), 0);
        const QStringList tables =
            summary.section(QStringLiteral("\n\n"), 1, 3).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY2(tables.size() > 12, qPrintable(summary));
        for (const QString &row : tables)
            QVERIFY2(lines.contains(row.simplified()),
                     qPrintable(QStringLiteral("%1\nnot in:\n%2").arg(row, lines.join('\n'))));
        for (const char *expected : {
                 "Stations: st-1, st-2",
                 "criteria: (not recorded) (1 unit)",
                 "criteria: keys=all;chatter=ignore;chatterMs=30 (2 units)",
                 "First-pass yield 33.3 % (1 of 3 serials), final yield 33.3 %, 7 units, 2 retests, 1 incomplete.",
                 "total 7 2 4 1 3 1 (33.3 %) 1 (33.3 %) 2",
                 "key chattered 2 40.0 % 40.0 %",
                 "not recorded (older units) 1 20.0 % 100.0 %",
                 "A (65) chattered 2",
                 "S3 2026-05-21 08:00 UTC st-2 1 calibration failed",
                 "S2 2026-05-21 09:00 UTC st-2 2 A chattered (3 ms); F chattered (4 ms)",
             })
            QVERIFY2(lines.contains(QLatin1String(expected)),
                     qPrintable(QStringLiteral("%1\nnot in:\n%2").arg(expected, lines.join('\n'))));

        const QString prefix = m_dir.filePath(QStringLiteral("page"));
        QCOMPARE(run(QStringLiteral("pdftoppm"), {"-png", "-r", "60", pdf, prefix}), QString());
        // A failed three times (chattered twice, a calibration once); D, E, F
        // and S once: the most is the fail red, one the palest heat.
        int red = 0;
        int pale = 0;
        for (const QString &page : QDir(m_dir.path()).entryList({"page*.png"})) {
            const QImage image(m_dir.filePath(page));
            red += pixelsOf(image, keyButtonLook::heatColour(3, 3));
            pale += pixelsOf(image, keyButtonLook::heatColour(1, 3));
        }
        QVERIFY2(red > 50, qPrintable(QString::number(red)));
        QVERIFY2(pale > 4 * 50, qPrintable(QString::number(pale)));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("withStore");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("no file named") << QStringList{"--results-report"} << true << 2;
        QTest::newRow("bad date") << QStringList{"--results-report", "r.pdf", "--until", "May"} << true << 2;
        QTest::newRow("no store") << QStringList{"--results-report", "r.pdf"} << false << 3;
        QTest::newRow("file not writable") << QStringList{"--results-report", "/proc/r.pdf"} << true << 4;
    }

    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, withStore);
        QTemporaryDir empty;
        QString err;
        QTEST(report(withStore ? m_dir.path() : empty.path(), args, &err), "exitCode");
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_resultsReport)
#include "tst_resultsReport.moc"
