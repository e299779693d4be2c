#include "commandLine.h"

#include <QFileInfo>
#include <QTextStream>

CommandLine::CommandLine(const QString &description, const QString &versionLine)
    : m_description(description), m_versionLine(versionLine),
      m_help(QStringList{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Print this help")),
      m_version(QStringList{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Print the version"))
{
    // "-platform" is refused as the option "platform", not as "p": the message
    // names what was typed. The toolkit's own options are not taken; it reads
    // its environment (QT_QPA_PLATFORM, QT_SCALE_FACTOR) instead.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

void CommandLine::addOption(const QCommandLineOption &option)
{
    m_options.push_back(option);
    m_parser.addOption(option);
}

void CommandLine::addMode(const QCommandLineOption &option, const QStringList &takes, Run run, bool draws)
{
    m_modes.push_back(Mode{option, takes, std::move(run), draws});
    m_parser.addOption(option);
}

void CommandLine::addHelpNote(const QString &line)
{
    m_notes << line;
}

CommandLine::Outcome CommandLine::parse(const QStringList &arguments)
{
    m_helpAsked = false;
    m_versionAsked = false;
    m_chosen = -1;
    m_program = arguments.isEmpty() ? QString() : QFileInfo(arguments.first()).fileName();

    m_error = m_parser.parse(arguments) ? checkValues() : m_parser.errorText();
    if (m_error.isEmpty() && !m_parser.positionalArguments().isEmpty())
        m_error = QStringLiteral("Unexpected argument '%1'.").arg(m_parser.positionalArguments().first());
    if (!m_error.isEmpty())
        return Outcome::Command;
    if (m_parser.isSet(m_help) || m_parser.isSet(m_version)) {
        m_helpAsked = m_parser.isSet(m_help);
        m_versionAsked = !m_helpAsked;
        return Outcome::Command;
    }
    m_error = checkModeAndOptions();
    return m_error.isEmpty() && m_chosen < 0 ? Outcome::Window : Outcome::Command;
}

QString CommandLine::checkValues() const
{
    std::vector<QCommandLineOption> withValues;
    for (const Mode &mode : m_modes)
        withValues.push_back(mode.option);
    withValues.insert(withValues.end(), m_options.begin(), m_options.end());
    for (const QCommandLineOption &option : withValues) {
        if (option.valueName().isEmpty() || !m_parser.isSet(option))
            continue;
        const QStringList values = m_parser.values(option);
        if (values.size() > 1)
            return QStringLiteral("%1 given twice.").arg(namesOf(option));
        // Another option where a value belongs: the value was forgotten.
        if (values.first().startsWith(QLatin1String("--")) || values.first().isEmpty())
            return QStringLiteral("Missing value after '%1'.").arg(namesOf(option));
    }
    return QString();
}

QString CommandLine::checkModeAndOptions()
{
    for (int i = 0; i < static_cast<int>(m_modes.size()); ++i) {
        if (!m_parser.isSet(m_modes[i].option))
            continue;
        if (m_chosen >= 0)
            return QStringLiteral("%1 and %2 cannot be given together.")
                .arg(namesOf(m_modes[m_chosen].option), namesOf(m_modes[i].option));
        m_chosen = i;
    }

    for (const QCommandLineOption &option : m_options) {
        if (!m_parser.isSet(option))
            continue;
        const QString name = option.names().first();
        if (m_chosen >= 0 && m_modes[m_chosen].takes.contains(name))
            continue;
        QStringList takers;
        for (const Mode &mode : m_modes)
            if (mode.takes.contains(name))
                takers << namesOf(mode.option);
        return QStringLiteral("%1 goes with %2 only.")
            .arg(namesOf(option), takers.isEmpty() ? QStringLiteral("no mode") : takers.join(QStringLiteral(" or ")));
    }
    return QString();
}

int CommandLine::run(QTextStream &out, QTextStream &err) const
{
    int code = Done;
    if (!m_error.isEmpty()) {
        err << m_program << ": " << m_error << '\n'
            << QStringLiteral("Run '%1 --help' for its modes and options.").arg(m_program) << '\n';
        code = BadArguments;
    } else if (m_helpAsked) {
        out << helpText();
    } else if (m_versionAsked) {
        out << m_versionLine << '\n';
    } else if (m_chosen >= 0) {
        code = m_modes[m_chosen].run(m_parser, out, err);
    }
    out.flush();
    err.flush();
    return code;
}

bool CommandLine::drawsPictures() const
{
    return m_error.isEmpty() && m_chosen >= 0 && m_modes[m_chosen].draws;
}

QString CommandLine::namesOf(const QCommandLineOption &option) const
{
    QStringList names;
    for (const QString &name : option.names())
        names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    return names.join(QStringLiteral(", "));
}

QString CommandLine::helpText() const
{
    auto label = [this](const QCommandLineOption &option) {
        return option.valueName().isEmpty() ? namesOf(option) : namesOf(option) + ' ' + option.valueName();
    };
    std::vector<QCommandLineOption> modes;
    for (const Mode &mode : m_modes)
        modes.push_back(mode.option);
    modes.push_back(m_help);
    modes.push_back(m_version);

    int width = 0;
    for (const QCommandLineOption &option : modes)
        width = qMax(width, label(option).size());
    for (const QCommandLineOption &option : m_options)
        width = qMax(width, label(option).size());
    auto lines = [&](const std::vector<QCommandLineOption> &options) {
        QString text;
        for (const QCommandLineOption &option : options)
            text += QStringLiteral("  %1  %2\n").arg(label(option), -width).arg(option.description());
        return text;
    };

    QString text = QStringLiteral("Usage: %1 [MODE [OPTIONS]]\n%2\n\n").arg(m_program, m_description);
    text += QStringLiteral("Modes (one at a time; without one the window opens):\n") + lines(modes);
    if (!m_options.empty())
        text += QStringLiteral("\nOptions:\n") + lines(m_options);
    if (!m_notes.isEmpty())
        text += '\n' + m_notes.join('\n') + '\n';
    return text;
}
