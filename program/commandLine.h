#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QTextStream;

// The program's command line. Without arguments the window starts. Anything
// else is a mode, chosen by one option (--results-summary, --export-results
// FILE, --help, --version), that runs without the window, the single-instance
// guard or a display and answers with its exit code. A part of the program
// offers a mode by adding it here with the options it takes; --help lists
// every mode and option from the same entries, one line each.
//
// parse() only decides; run() prints and runs. In between the caller can give
// the process a console (the Windows program is a GUI program) and an
// application object.
class CommandLine
{
public:
    enum ExitCode
    {
        Done = 0,
        BadArguments = 2
    };
    enum class Outcome
    {
        Window, // no mode: start the window
        Command // a mode, --help, --version or an error: call run()
    };
    using Run = std::function<int(const QCommandLineParser &parsed, QTextStream &out, QTextStream &err)>;

    // versionLine is what --version prints, description the help's first line.
    CommandLine(const QString &description, const QString &versionLine);

    // An option that modes take (--since DATE), listed under "Options".
    void addOption(const QCommandLineOption &option);
    // A mode: `option` selects it, `takes` names the options it accepts (by
    // their first name, as added with addOption), `run` runs it. A mode that
    // draws (with widgets, into a file) needs a QApplication, not only a
    // QCoreApplication: see drawsPictures().
    void addMode(const QCommandLineOption &option, const QStringList &takes, Run run, bool draws = false);
    // A line under the lists, for what a line per option cannot say (exit codes).
    void addHelpNote(const QString &line);

    // arguments as the process got them, the program first.
    Outcome parse(const QStringList &arguments);
    // The outcome of the last parse() that returned Command.
    int run(QTextStream &out, QTextStream &err) const;
    // The mode chosen by the last parse() draws.
    bool drawsPictures() const;

    QString helpText() const;

private:
    struct Mode
    {
        QCommandLineOption option;
        QStringList takes;
        Run run;
        bool draws = false;
    };

    QString checkValues() const;
    QString checkModeAndOptions();
    QString namesOf(const QCommandLineOption &option) const;

    QString m_description;
    QString m_versionLine;
    QString m_program;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    std::vector<Mode> m_modes;
    std::vector<QCommandLineOption> m_options;
    QStringList m_notes;
    QCommandLineParser m_parser;

    // What parse() found: an error, --help, --version or a mode.
    QString m_error;
    bool m_helpAsked = false;
    bool m_versionAsked = false;
    int m_chosen = -1; // index into m_modes
};
