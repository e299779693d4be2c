#include "figuresText.h"

#include "keyLayoutParser.h"

#include <QCoreApplication>
#include <QDateTime>
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
    {"settings", QT_TRANSLATE_NOOP("figuresText", "station settings not understood")},
    {"keysNotFromUnit", QT_TRANSLATE_NOOP("figuresText", "keys not taken from the unit")},
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
void writeCells(const Cells &cells, QTextStream &out)
{
    const QList<QStringList> rows = QList<QStringList>{cells.header} + cells.rows;
    std::vector<int> widths;
    for (const QStringList &row : rows)
        for (int i = 0; i < row.size(); ++i) {
            if (int(widths.size()) <= i)
                widths.push_back(0);
            widths[i] = std::max(widths[i], int(row[i].size()));
        }
    for (const QStringList &row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i) {
            if (i > 0)
                line += QStringLiteral("  ");
            line += i < cells.textColumns ? row[i].leftJustified(widths[i]) : row[i].rightJustified(widths[i]);
        }
        out << line.trimmed() << '\n';
    }
}

QString utcText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

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

Cells groups(const Figures &figures)
{
    Cells cells;
    cells.header = QStringList{"day",    "station",    "operator", "model",      "platform",    "units",  "passed",
                               "failed", "incomplete", "serials",  "first pass", "final yield", "retests"};
    cells.textColumns = 5;
    for (const FigureGroup &g : figures.groups)
        cells.rows << QStringList{g.day, g.station, operatorText(g.operatorName), g.model,
                                  hex4(g.vid) + QLatin1Char(':') + hex4(g.pid)} +
                          countCells(g.counts);
    cells.rows << QStringList{"total", QString(), QString(), QString(), QString()} + countCells(figures.total);
    return cells;
}

Cells reasons(const Figures &figures)
{
    Cells cells;
    cells.header = QStringList{"reasons of units not passed", "units", "share", "cumulative"};
    cells.textColumns = 1;
    qint64 all = 0;
    for (const ReasonCount &reason : figures.reasons)
        all += reason.units;
    qint64 cumulative = 0;
    for (const ReasonCount &reason : figures.reasons) {
        cumulative += reason.units;
        cells.rows << QStringList{reasonLabel(reason.kind), QString::number(reason.units),
                                  resultFigures::percentText(double(reason.units) / double(all)),
                                  resultFigures::percentText(double(cumulative) / double(all))};
    }
    return cells;
}

Cells keys(const Figures &figures, const KeyNames &names)
{
    Cells cells;
    cells.header = QStringList{"keys that failed", "how", "units"};
    cells.textColumns = 2;
    for (const KeyFailureCount &key : figures.keys)
        cells.rows << QStringList{keyLabel(names, key), keyKindLabel(key.kind), QString::number(key.units)};
    return cells;
}

QStringList criteriaLines(const Figures &figures)
{
    // A limit changed in the period shows as a second line.
    QStringList lines;
    for (const CriteriaCount &c : figures.criteria)
        lines << QStringLiteral("criteria: %1 (%2 %3)")
                     .arg(c.criteria.value_or(QStringLiteral("(not recorded)")))
                     .arg(c.units)
                     .arg(c.units == 1 ? QStringLiteral("unit") : QStringLiteral("units"));
    return lines;
}

void writeTable(const Figures &figures, const KeyNames &names, QTextStream &out)
{
    const QStringList stations = figures.stations();
    out << "results of " << figures.source << ", " << resultFigures::periodText(figures.query) << '\n';
    if (figures.total.units > 0)
        out << "units started " << utcText(figures.total.firstStartUtcMs) << " to "
            << utcText(figures.total.lastStartUtcMs) << " UTC\n";
    out << "stations: " << (stations.isEmpty() ? QStringLiteral("none") : stations.join(QStringLiteral(", "))) << '\n';
    for (const QString &line : criteriaLines(figures))
        out << line << '\n';
    out << '\n';
    writeCells(groups(figures), out);
    out << '\n';
    writeCells(reasons(figures), out);
    out << '\n';
    writeCells(keys(figures, names), out);
    out.flush();
}

} // namespace figuresText
