#include "unitFallbackFile.h"
#include "unitLine.h"

#include "sampleUnit.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray lineOf(const std::string &unitId)
{
    return QByteArray::fromStdString(unitLine::write(sampleUnit(unitId)));
}

struct Taken
{
    QStringList units;
    QStringList damaged; // "line: reason"
    std::vector<unitFallbackFile::DamagedLine> lines;
};

// Reads the file step by step to its end as the store's writer does, the
// first hand-over refused as by a locked store.
Taken readAll(QIODevice &file, qint64 linesPerStep)
{
    Taken taken;
    bool refuse = true;
    unitFallbackFile::Position at;
    for (int step = 0; step < 1000; ++step) {
        const unitFallbackFile::Reading reading =
            unitFallbackFile::read(file, at, 3, linesPerStep, [&](unitFallbackFile::Batch &batch) {
                if (std::exchange(refuse, false))
                    return false;
                for (const UnitRecord &unit : batch.units)
                    taken.units << QString::fromStdString(unit.unitId);
                for (const unitFallbackFile::DamagedLine &line : batch.damaged) {
                    taken.damaged << QStringLiteral("%1: %2").arg(line.number).arg(QString::fromStdString(line.reason));
                    taken.lines.push_back(line);
                }
                return true;
            });
        if (!reading.error.isEmpty() || reading.atEnd)
            break;
        at = reading.next;
    }
    return taken;
}

} // namespace

class tst_unitFallbackFile : public QObject
{
    Q_OBJECT

private slots:
    // However the file was left by a crash, an editor or a person, every
    // whole unit is taken once, and every other line is handed on with the
    // reason; units appended later still read.
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("appendAfter");
        QTest::addColumn<qint64>("linesPerStep");
        QTest::addColumn<QStringList>("units");
        QTest::addColumn<QStringList>("damaged");
        const QByteArray a = lineOf("a");
        const QByteArray b = lineOf("b");
        const qint64 all = unitFallbackFile::LinesPerStep;
        QTest::newRow("units") << a + '\n' + b + '\n' << false << all << QStringList{"a", "b"} << QStringList{};
        QTest::newRow("a byte order mark (saved by Notepad)") << "\xEF\xBB\xBF" + a + '\n'
                                                              << false << all << QStringList{"a"} << QStringList{};
        QTest::newRow("Windows line ends") << a + "\r\n" + b + "\r\n"
                                           << false << all << QStringList{"a", "b"} << QStringList{};
        QTest::newRow("last line cut short by a power cut")
            << a + '\n' + b.left(b.size() - 3) << false << all << QStringList{"a"}
            << QStringList{"2: cut short: ended not readable"};
        QTest::newRow("last line whole, its line end lost")
            << a + '\n' + b << false << all << QStringList{"a", "b"} << QStringList{};
        QTest::newRow("a line cut short, then units appended")
            << b.left(b.indexOf("\tkeys_never_pressed=")) << true << all << QStringList{"new"}
            << QStringList{"1: not a unit: keys_never_pressed missing"};
        QTest::newRow("NUL bytes where a power cut left no data")
            << a + '\n' + QByteArray(4096, '\0') + '\n' + b + '\n'
            << false << all << QStringList{"a", "b"} << QStringList{"2: holds NUL bytes"};
        QTest::newRow("a NUL inside a unit's line")
            << QByteArray(a).replace("TK-87", QByteArray("TK\0"
                                                         "87",
                                                         5)) +
                   '\n' + b + '\n'
            << false << all << QStringList{"b"} << QStringList{"1: holds NUL bytes"};
        QTest::newRow("a line far too long")
            << QByteArray(unitFallbackFile::MaxLineBytes + 10, 'a') + '\n' + a + '\n'
            << false << all << QStringList{"a"} << QStringList{"1: longer than any unit; its first MiB is kept"};
        QTest::newRow("no units, blank lines and notes")
            << "hello\n\n\r\n# a note\nunit_id=x\tcolour=red\n" + a + "\n"
            << true << all << QStringList{"a", "new"}
            << QStringList{"1: not a unit: not name=value fields separated by tabs",
                           "5: not a unit: start_utc missing"};
        QByteArray many;
        QStringList manyIds;
        for (int i = 0; i < 25; ++i) {
            manyIds << QStringLiteral("u%1").arg(i);
            many += lineOf(manyIds.last().toStdString()) + '\n';
        }
        QTest::newRow("more lines than one step takes") << many << false << qint64(10) << manyIds << QStringList{};
    }

    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, appendAfter);
        QFETCH(qint64, linesPerStep);
        QFETCH(QStringList, units);
        QFETCH(QStringList, damaged);
        QTemporaryDir dir;
        const QString path = unitFallbackFile::pathBeside(dir.filePath(QStringLiteral("results.sqlite")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        QString error;
        if (appendAfter)
            QVERIFY2(unitFallbackFile::append(path, {sampleUnit("new")}, &error), qPrintable(error));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Taken taken = readAll(file, linesPerStep);
        QCOMPARE(taken.units, units);
        QCOMPARE(taken.damaged, damaged);
    }

    // The damaged lines kept with their reasons can be mended and put back:
    // the notes are passed over and the lines read as they stood.
    void damagedLinesKept()
    {
        QTemporaryDir dir;
        QBuffer original;
        original.setData("hello\n" + lineOf("a").replace("vid=0416", "vid=04x6") + "\r\n");
        QVERIFY(original.open(QIODevice::ReadOnly));
        const Taken first = readAll(original, unitFallbackFile::LinesPerStep);
        QCOMPARE(first.lines.size(), std::size_t(2));
        const QString damagedPath =
            unitFallbackFile::damagedPathFor(dir.filePath(QStringLiteral("results-unwritten.txt")));
        QString error;
        QVERIFY2(
            unitFallbackFile::appendDamaged(damagedPath, QStringLiteral("results-unwritten.txt"), first.lines, &error),
            qPrintable(error));
        QFile kept(damagedPath);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll().startsWith("# results-unwritten.txt line 1: not a unit: not name=value fields "
                                          "separated by tabs\nhello\n# results-unwritten.txt line 2: not a unit: "
                                          "vid not readable\n"));
        QVERIFY(kept.seek(0));
        const Taken again = readAll(kept, unitFallbackFile::LinesPerStep);
        QCOMPARE(again.damaged, (QStringList{"2: not a unit: not name=value fields separated by tabs",
                                             "4: not a unit: vid not readable"}));
        QCOMPARE(again.lines.back().text, first.lines.back().text);
    }
};

QTEST_GUILESS_MAIN(tst_unitFallbackFile)
#include "tst_unitFallbackFile.moc"
