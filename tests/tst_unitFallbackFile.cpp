#include "unitFallbackFile.h"
#include "unitLine.h"

#include "sampleUnit.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class tst_unitFallbackFile : public QObject
{
    Q_OBJECT

private slots:
    // Whatever the file held before, a unit appended reads back, the units
    // before it too, and every line that is no unit is skipped; the file is
    // then removed, or kept for a person when it had such lines.
    void appendAndRead_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("units");
        QTest::addColumn<int>("skipped");
        const QByteArray first = QByteArray::fromStdString(unitLine::write(sampleUnit("first"))) + '\n';
        QTest::newRow("nothing") << QByteArray() << QStringList{"new"} << 0;
        QTest::newRow("a unit") << first << QStringList{"first", "new"} << 0;
        QTest::newRow("a unit's line cut by a crash") << first.left(first.size() / 2) << QStringList{"new"} << 1;
        QTest::newRow("a line far too long")
            << QByteArray(unitFallbackFile::MaxLineBytes + 10, 'a') + "\n" + first << QStringList{"first", "new"} << 1;
        QTest::newRow("lines of no unit, blank lines")
            << QByteArray("hello\n\n\r\nunit_id=x\tcolour=red\n") + first << QStringList{"first", "new"} << 2;
    }

    void appendAndRead()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, units);
        QFETCH(int, skipped);
        QTemporaryDir dir;
        const QString path = unitFallbackFile::pathBeside(dir.filePath(QStringLiteral("results.sqlite")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
        file.close();
        const UnitRecord unit = sampleUnit("new");
        QString error;
        QVERIFY2(unitFallbackFile::append(path, {unit}, &error), qPrintable(error));

        QStringList seen;
        bool sameUnit = false;
        const unitFallbackFile::Reading reading = unitFallbackFile::read(path, 1, [&](std::vector<UnitRecord> &batch) {
            for (const UnitRecord &read : batch) {
                seen << QString::fromStdString(read.unitId);
                sameUnit = sameUnit || read == unit;
            }
            return true;
        });
        QVERIFY(reading.complete);
        QCOMPARE(seen, units);
        QVERIFY(sameUnit);
        QCOMPARE(reading.skipped, qint64(skipped));
        QVERIFY(unitFallbackFile::retire(path, reading.skipped > 0, nullptr));
        QVERIFY(!QFileInfo::exists(path));
        QCOMPARE(QDir(dir.path()).entryList({"results-unwritten.damaged-*.txt"}).size(), skipped > 0 ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(tst_unitFallbackFile)
#include "tst_unitFallbackFile.moc"
