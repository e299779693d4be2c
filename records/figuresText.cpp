#include "figuresText.h"

#include "keyLayoutParser.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <vector>

namespace figuresText {

namespace {

struct Label
{
    const char *kind;
    const char *text;
};

const Label ReasonLabels[] = {
    {"chatter", QT_TRANSLATE_NOOP("figuresText", "key chattered")},
    {"keyCheck", QT_TRANSLATE_NOOP("figuresText", "key check failed")},
    {"calibration", QT_TRANSLATE_NOOP("figuresText", "calibration failed")},
    {"firmware", QT_TRANSLATE_NOOP("figuresText", "firmware not answering")},
    {"noSerial", QT_TRANSLATE_NOOP("figuresText", "no serial")},
    {"noKeys", QT_TRANSLATE_NOOP("figuresText", "no keys to test")},
    {"neverPressed", QT_TRANSLATE_NOOP("figuresText", "keys never pressed")},
    {"keysHeld", QT_TRANSLATE_NOOP("figuresText", "too few keys held at once")},
    {"keyCheckNotRun", QT_TRANSLATE_NOOP("figuresText", "key check not run")},
    {"calibrationNotRun", QT_TRANSLATE_NOOP("figuresText", "calibration not run")},
    {"calibrationUnfinished", QT_TRANSLATE_NOOP("figuresText", "calibration not finished")},
    {"unrecorded", QT_TRANSLATE_NOOP("figuresText", "not recorded (older units)")},
};

const Label KeyKindLabels[] = {
    {"chatter", QT_TRANSLATE_NOOP("figuresText", "chattered")},
    {"keyCheck", QT_TRANSLATE_NOOP("figuresText", "key check")},
    {"calibration", QT_TRANSLATE_NOOP("figuresText", "calibration")},
    {"neverPressed", QT_TRANSLATE_NOOP("figuresText", "never pressed")},
};

template <std::size_t N> QString labelOf(const Label (&labels)[N], const QString &kind)
{
    for (const Label &label : labels)
        if (kind == QLatin1String(label.kind))
            return QCoreApplication::translate("figuresText", label.text);
    return kind;
}

// Columns padded to their widest cell; numbers to the right.
class Table
{
public:
    explicit Table(const QStringList &header, int textColumns) : m_textColumns(textColumns)
    {
        m_rows.push_back(header);
    }
    void add(const QStringList &row) { m_rows.push_back(row); }
    void write(QTextStream &out) const
    {
        std::vector<int> widths;
        for (const QStringList &row : m_rows)
            for (int i = 0; i < row.size(); ++i) {
                if (int(widths.size()) <= i)
                    widths.push_back(0);
                widths[i] = std::max(widths[i], int(row[i].size()));
            }
        for (const QStringList &row : m_rows) {
            QString line;
            for (int i = 0; i < row.size(); ++i) {
                if (i > 0)
                    line += QStringLiteral("  ");
                line += i < m_textColumns ? row[i].leftJustified(widths[i]) : row[i].rightJustified(widths[i]);
            }
            out << line.trimmed() << '\n';
        }
    }

private:
    int m_textColumns;
    std::vector<QStringList> m_rows;
};

QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

QString operatorText(const std::optional<QString> &name)
{
    if (!name)
        return QStringLiteral("(not recorded)");
    return name->isEmpty() ? QStringLiteral("(none)") : *name;
}

QStringList countCells(const FigureCounts &c)
{
    auto ofSerials = [&](qint64 count, const std::optional<double> &yield) {
        return QStringLiteral("%1 (%2)").arg(count).arg(resultFigures::percentText(yield));
    };
    return {QString::number(c.units),
            QString::number(c.passed),
            QString::number(c.failed),
            QString::number(c.incomplete),
            QString::number(c.serials),
            ofSerials(c.firstPassed, c.firstPassYield()),
            ofSerials(c.finalPassed, c.finalYield()),
            QString::number(c.retests)};
}

} // namespace

KeyNames keyNames(const KeyLayout &layout)
{
    KeyNames names;
    for (const KeyRecord &key : layout.keys) {
        const QString label = key.label.simplified();
        if (label.isEmpty())
            continue;
        names.pageKeys[key.qtDec] = label;
        names.usages[key.keyDec] = label;
    }
    return names;
}

KeyNames keyNamesFrom(const QString &layoutPath)
{
    QByteArray text;
    if (!readKeyLayoutFile(layoutPath, &text))
        return KeyNames();
    return keyNames(parseKeyLayout(text.constData()));
}

QString reasonLabel(const QString &kind)
{
    return labelOf(ReasonLabels, kind);
}

QString keyKindLabel(const QString &kind)
{
    return labelOf(KeyKindLabels, kind);
}

QString keyLabel(const KeyNames &names, const KeyFailureCount &key)
{
    const bool usage = key.kind == QLatin1String("keyCheck") || key.kind == QLatin1String("calibration");
    const std::map<int, QString> &byKey = usage ? names.usages : names.pageKeys;
    const auto found = byKey.find(key.key);
    const QString number = usage ? QStringLiteral("usage %1").arg(key.key) : QString::number(key.key);
    return found == byKey.end() ? number : QStringLiteral("%1 (%2)").arg(found->second, number);
}

void writeTable(const Figures &figures, const KeyNames &names, QTextStream &out)
{
    const QStringList stations = figures.stations();
    out << "results of " << figures.source << ", " << resultFigures::periodText(figures.query) << '\n';
    out << "stations: " << (stations.isEmpty() ? QStringLiteral("none") : stations.join(QStringLiteral(", "))) << '\n';
    // A limit changed in the period shows as a second line.
    for (const CriteriaCount &c : figures.criteria)
        out << "criteria: " << c.criteria.value_or(QStringLiteral("(not recorded)")) << " (" << c.units
            << (c.units == 1 ? " unit)\n" : " units)\n");
    out << '\n';

    const QStringList counts = {"units",   "passed",     "failed",      "incomplete",
                                "serials", "first pass", "final yield", "retests"};
    Table table(QStringList{"day", "station", "operator", "model", "platform"} + counts, 5);
    for (const FigureGroup &g : figures.groups)
        table.add(QStringList{g.day, g.station, operatorText(g.operatorName), g.model,
                              hex4(g.vid) + QLatin1Char(':') + hex4(g.pid)} +
                  countCells(g.counts));
    table.add(QStringList{"total", QString(), QString(), QString(), QString()} + countCells(figures.total));
    table.write(out);

    qint64 reasonsCounted = 0;
    for (const ReasonCount &reason : figures.reasons)
        reasonsCounted += reason.units;
    out << '\n';
    Table reasons({"reasons of units not passed", "units", "share", "cumulative"}, 1);
    qint64 cumulative = 0;
    for (const ReasonCount &reason : figures.reasons) {
        cumulative += reason.units;
        reasons.add({reasonLabel(reason.kind), QString::number(reason.units),
                     resultFigures::percentText(double(reason.units) / double(reasonsCounted)),
                     resultFigures::percentText(double(cumulative) / double(reasonsCounted))});
    }
    reasons.write(out);

    out << '\n';
    Table keys({"keys that failed", "how", "units"}, 2);
    for (const KeyFailureCount &key : figures.keys)
        keys.add({keyLabel(names, key), keyKindLabel(key.kind), QString::number(key.units)});
    keys.write(out);
    out.flush();
}

} // namespace figuresText
