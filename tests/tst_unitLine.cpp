#include "unitLine.h"

#include "sampleUnit.h"

#include <QTextCodec>
#include <QtTest>

namespace {

bool isValidUtf8(const std::string &text)
{
    QTextCodec::ConverterState state;
    QTextCodec::codecForName("UTF-8")->toUnicode(text.data(), static_cast<int>(text.size()), &state);
    return state.invalidChars == 0 && state.remainingChars == 0;
}

std::string replaced(std::string line, const std::string &from, const std::string &to)
{
    const std::size_t at = line.find(from);
    return at == std::string::npos ? std::string() : line.replace(at, from.size(), to);
}

} // namespace

class tst_unitLine : public QObject
{
    Q_OBJECT

private slots:
    // Whatever a text field holds, the line stays one line of valid UTF-8
    // and reads back to the same unit.
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("plain") << QByteArray("Tavrin TK-87");
        QTest::newRow("separator and equals") << QByteArray("a\tb=c\t");
        QTest::newRow("line breaks") << QByteArray("one\ntwo\r\nthree\n");
        QTest::newRow("NUL") << QByteArray("M4\0"
                                           "84",
                                           5);
        QTest::newRow("broken UTF-8") << QByteArray("\xff\xfe ok \xed\xa0\x80 \xe2\x82");
        QTest::newRow("escapes as text") << QByteArray("\\x41 \\t \\");
        QTest::newRow("UTF-8") << QByteArray("键盘 ✓ 🎹");
        QTest::newRow("empty") << QByteArray();
    }

    void roundTrip()
    {
        QFETCH(QByteArray, text);
        UnitRecord unit = sampleUnit("3f6c1a0e-8d2b-4c71-9a55-0e1f2b3c4d5e");
        for (std::string *field : {&unit.identity.station, &unit.identity.toolVersion, &unit.identity.manufacturer,
                                   &unit.identity.product, &unit.identity.model, &unit.identity.version,
                                   &unit.identity.linkPath, &unit.identity.serial, &unit.reasons, &unit.capture})
            *field = text.toStdString();
        unit.ended = UnitEnd::LinkLost;
        unit.endUtcMs = -1; // not a date a line shows
        const std::string line = unitLine::write(unit);
        QVERIFY(line.find_first_of(std::string("\n\r\0", 3)) == std::string::npos);
        QVERIFY(isValidUtf8(line));
        UnitRecord back;
        QVERIFY2(unitLine::read(line, back), line.c_str());
        QVERIFY(back == unit);
        // A later tool's field is passed over.
        QVERIFY(unitLine::read(line + "\tcolour=red", back));
        // An older tool's line has no capture: read as unknown.
        const std::size_t capture = line.find("\tcapture=");
        QVERIFY(unitLine::read(line.substr(0, capture) + line.substr(line.find('\t', capture + 1)), back));
        QVERIFY(back.capture.empty() && back.unitId == unit.unitId);
    }

    // Lines of older tools lack what later ones added; an empty operator is
    // kept apart from none.
    void laterFields_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("hasOperator");
        const std::string line = unitLine::write(sampleUnit("u1"));
        std::string older = replaced(line, "\toperator=ann", "");
        for (const char *field : {"\tcriteria=", "\treason_kinds="})
            older.erase(older.find(field), older.find('\t', older.find(field) + 1) - older.find(field));
        QTest::newRow("of an older tool") << QByteArray::fromStdString(older) << false;
        QTest::newRow("an empty operator")
            << QByteArray::fromStdString(replaced(line, "operator=ann", "operator=")) << true;
    }

    void laterFields()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, hasOperator);
        UnitRecord back;
        QVERIFY2(unitLine::read(line.toStdString(), back), line.constData());
        QCOMPARE(back.identity.operatorName.has_value(), hasOperator);
        QCOMPARE(back.identity.operatorName.value_or("none"), std::string(hasOperator ? "" : "none"));
        QCOMPARE(back.reasonKinds.empty(), !hasOperator);
    }

    // A line that is no unit's is never taken for one.
    void damaged_data()
    {
        const std::string line = unitLine::write(sampleUnit("u1"));
        QTest::addColumn<QByteArray>("damaged");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << QByteArray::fromStdString(line.substr(0, line.size() - 4));
        QTest::newRow("a field twice") << QByteArray::fromStdString(line + "\tvid=0416");
        QTest::newRow("an outcome unknown")
            << QByteArray::fromStdString(replaced(line, "outcome=failed", "outcome=ok"));
        QTest::newRow("an escape unknown") << QByteArray::fromStdString(replaced(line, "station=", "station=\\q"));
        QTest::newRow("a key no number") << QByteArray::fromStdString(
            replaced(line, "keys_pressed=65", "keys_pressed=6x"));
        QTest::newRow("a time no time") << QByteArray::fromStdString(
            replaced(line, "start_utc=2026", "start_utc=20x6"));
        QTest::newRow("no unit id") << QByteArray::fromStdString(replaced(line, "unit_id=u1", "unit_id="));
        QTest::newRow("an attempt no number") << QByteArray::fromStdString(line + "\tattempt=2x");
    }

    void damaged()
    {
        QFETCH(QByteArray, damaged);
        QCOMPARE(damaged.isEmpty(), QByteArray(QTest::currentDataTag()) == "empty");
        UnitRecord unit = sampleUnit("untouched");
        QVERIFY(!unitLine::read(damaged.toStdString(), unit));
        QCOMPARE(unit.unitId, std::string("untouched"));
    }
};

QTEST_APPLESS_MAIN(tst_unitLine)
#include "tst_unitLine.moc"
