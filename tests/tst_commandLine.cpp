// The command line's rules, on two made-up modes shaped like the program's:
// --summary takes --since; --export FILE takes --since and --limit N.
#include "commandLine.h"

#include <QtTest>

namespace {

struct Outcome
{
    bool window = false;
    int exitCode = -1;
    QString out;
    QString err;
    QStringList ran;
};

void addModes(CommandLine &commandLine, QStringList &ran)
{
    commandLine.addOption(QCommandLineOption("since", "Only from DATE on", "DATE"));
    commandLine.addOption(QCommandLineOption("limit", "At most N", "N"));
    commandLine.addMode(QCommandLineOption("summary", "Print a summary"), {"since"},
                        [&ran](const QCommandLineParser &parsed, QTextStream &out, QTextStream &) {
                            ran << "summary";
                            out << "summary since " << parsed.value("since") << '\n';
                            return 5;
                        });
    commandLine.addMode(QCommandLineOption("export", "Write everything to FILE", "FILE"), {"since", "limit"},
                        [&ran](const QCommandLineParser &parsed, QTextStream &out, QTextStream &) {
                            ran << "export";
                            out << "export " << parsed.value("export") << " limit " << parsed.value("limit") << '\n';
                            return 7;
                        });
}

Outcome runWith(const QStringList &args)
{
    CommandLine commandLine("Does things.", "Prog 9.8.7");
    Outcome outcome;
    addModes(commandLine, outcome.ran);
    outcome.window = commandLine.parse(QStringList{"/opt/x/prog"} + args) == CommandLine::Outcome::Window;
    if (!outcome.window) {
        QTextStream out(&outcome.out);
        QTextStream err(&outcome.err);
        outcome.exitCode = commandLine.run(out, err);
    }
    return outcome;
}

} // namespace

class tst_commandLine : public QObject
{
    Q_OBJECT

private slots:
    void arguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode"); // -1: the window opens
        QTest::addColumn<QString>("stream");
        QTest::addColumn<QString>("line");

        QTest::newRow("nothing opens the window") << QStringList{} << -1 << ""
                                                  << "";
        QTest::newRow("help") << QStringList{"--help"} << 0 << "out"
                              << "Usage: prog [MODE [OPTIONS]]";
        QTest::newRow("short help") << QStringList{"-h"} << 0 << "out"
                                    << "Does things.";
        QTest::newRow("help beside a mode") << QStringList{"--summary", "--help"} << 0 << "out"
                                            << "Does things.";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "out"
                                 << "Prog 9.8.7";
        QTest::newRow("short version") << QStringList{"-v"} << 0 << "out"
                                       << "Prog 9.8.7";
        QTest::newRow("a mode's own exit code") << QStringList{"--summary", "--since", "May"} << 5 << "out"
                                                << "summary since May";
        QTest::newRow("a mode with its value") << QStringList{"--export", "a b.csv", "--limit", "3"} << 7 << "out"
                                               << "export a b.csv limit 3";
        QTest::newRow("value after =") << QStringList{"--export=a.csv"} << 7 << "out"
                                       << "export a.csv limit ";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "err"
                                        << "prog: Unknown option 'bogus'.";
        QTest::newRow("unknown option says where help is") << QStringList{"--bogus"} << 2 << "err"
                                                           << "Run 'prog --help' for its modes and options.";
        QTest::newRow("toolkit option") << QStringList{"-platform", "xcb"} << 2 << "err"
                                        << "prog: Unknown option 'platform'.";
        QTest::newRow("unknown beside a mode") << QStringList{"--summary", "--all"} << 2 << "err"
                                               << "prog: Unknown option 'all'.";
        QTest::newRow("error before help") << QStringList{"--help", "--all"} << 2 << "err"
                                           << "prog: Unknown option 'all'.";
        QTest::newRow("argument") << QStringList{"units.csv"} << 2 << "err"
                                  << "prog: Unexpected argument 'units.csv'.";
        QTest::newRow("two modes") << QStringList{"--summary", "--export", "a.csv"} << 2 << "err"
                                   << "prog: --summary and --export cannot be given together.";
        QTest::newRow("option without a mode") << QStringList{"--since", "May"} << 2 << "err"
                                               << "prog: --since goes with --summary or --export only.";
        QTest::newRow("option the mode does not take") << QStringList{"--summary", "--limit", "3"} << 2 << "err"
                                                       << "prog: --limit goes with --export only.";
        QTest::newRow("value missing at the end") << QStringList{"--export"} << 2 << "err"
                                                  << "prog: Missing value after '--export'.";
        QTest::newRow("option where the value belongs") << QStringList{"--export", "--limit", "3"} << 2 << "err"
                                                        << "prog: Missing value after '--export'.";
        QTest::newRow("empty value") << QStringList{"--export", ""} << 2 << "err"
                                     << "prog: Missing value after '--export'.";
        QTest::newRow("value twice") << QStringList{"--export", "a.csv", "--export", "b.csv"} << 2 << "err"
                                     << "prog: --export given twice.";
        QTest::newRow("flag value") << QStringList{"--summary=yes"} << 2 << "err"
                                    << "prog: Unexpected value after '--summary'.";
    }

    void arguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, stream);
        QFETCH(QString, line);
        const Outcome outcome = runWith(args);
        QCOMPARE(outcome.window, exitCode == -1);
        if (outcome.window)
            return;
        QCOMPARE(outcome.exitCode, exitCode);
        const QString &text = stream == "out" ? outcome.out : outcome.err;
        QVERIFY2(text.split('\n').contains(line), qPrintable(outcome.out + outcome.err));
        // A mode runs only when nothing else was asked for, and errors go to
        // standard error alone.
        QCOMPARE(outcome.ran.isEmpty(), exitCode == 0 || exitCode == 2);
        QCOMPARE(outcome.out.isEmpty(), exitCode == 2);
    }

    // Each mode and option on a line of its own, with its value and text.
    void helpListsEveryEntryOnce()
    {
        const QStringList lines = runWith({"--help"}).out.split('\n');
        for (const QString &entry :
             {"--summary  Print a summary", "--export FILE  Write everything to FILE", "-h, --help  Print this help",
              "-v, --version  Print the version", "--since DATE  Only from DATE on", "--limit N  At most N"}) {
            const QString label = QString(entry).section("  ", 0, 0);
            const QString text = QString(entry).section("  ", 1);
            const QStringList found = lines.filter(" " + label + " ");
            QCOMPARE(found.size(), 1);
            QVERIFY2(found.first().startsWith("  " + label) && found.first().endsWith("  " + text),
                     qPrintable(found.first()));
        }
    }
};

QTEST_GUILESS_MAIN(tst_commandLine)
#include "tst_commandLine.moc"
