// The firmware's answers as the window hands them on, one at a time: what goes
// back to the keyboard, what the page shows and what the unit's recorder is
// told, with the key matrix complete or not.
#include "answerHandler.h"
#include "unitRecorder.h"
#include "verdictText.h"

#include <QtTest>

namespace {

const int kRowCount = KeyMatrix::Rows;

// An answer: code, then data from byte 6 ("0e 00 02" is a key check naming row 1 of column 1).
QByteArray frame(const QByteArray &hex)
{
    const QByteArray raw = QByteArray::fromHex(hex);
    QByteArray f(HidReportSize, 0);
    f[0] = 0x01;
    f[1] = raw.isEmpty() ? 0 : raw[0];
    for (int i = 1; i < raw.size() && 5 + i < HidReportSize; ++i)
        f[5 + i] = raw[i];
    return f;
}

// Row r of the matrix holds usages 0x04 + 22 r + c, column 5 of row 1 left empty.
QByteArray layoutRow(int r)
{
    QByteArray hex = "10";
    for (int c = 0; c < KeyMatrix::Columns; ++c)
        hex += r == 1 && c == 5 ? " 00" : " " + QByteArray::number(0x04 + 22 * r + c, 16).rightJustified(2, '0');
    return hex;
}

QString joined(const std::vector<int> &values)
{
    QStringList words;
    for (int v : values)
        words << QString::number(v);
    return words.join(QLatin1Char(' '));
}

} // namespace

class tst_answerHandler : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<int>("rows");               // layout rows received before
        QTest::addColumn<bool>("magnetic");          // the calibration platform
        QTest::addColumn<QByteArrayList>("answers"); // "ir" before one: the IR/HE test is chosen
        QTest::addColumn<QString>("replies");        // command codes queued, in order
        QTest::addColumn<QString>("page");           // the last key result painted, "-" for none
        QTest::addColumn<QString>("reasons");        // the unit's verdict (keys=none)

        const QByteArrayList oneBad = {"0e 00 02"}; // column 1, row 1
        QTest::newRow("key check on a whole matrix") << kRowCount << false << oneBad << ""
                                                     << "27"
                                                     << "key check: 1 key failed";
        QTest::newRow("key check on a partial matrix still fails the unit")
            << 3 << false << oneBad << "10"
            << "-"
            << "key check: 1 key failed (row 2 column 2 not on the layout)";
        QTest::newRow("key check before any row") << 0 << false << QByteArrayList{"0e 00 00 00 00 00 81"} << "10"
                                                  << "-"
                                                  << "key check: 2 keys failed (row 1 column 6, row 8 column 6 not "
                                                     "on the layout)";
        QTest::newRow("a bit on an empty cell counts")
            << kRowCount << false << QByteArrayList{"0e 00 00 00 00 00 02 01"} << ""
            << "10"
            << "key check: 2 keys failed (row 2 column 6 not on the layout)";
        QTest::newRow("a clean key check on a partial matrix") << 2 << false << QByteArrayList{"0e"} << "10"
                                                               << "-"
                                                               << "";
        QTest::newRow("the layout is asked for once while its rows may come")
            << 2 << false << QByteArrayList{"0e", "0e 01"} << "10"
            << "-"
            << "key check: 1 key failed (row 1 column 1 not on the layout)";
        QTest::newRow("key state echoed as six keys") << 0 << false << QByteArrayList{"04 02 00 04"} << "04"
                                                      << "-"
                                                      << "";
        QTest::newRow("key state ignored during the IR/HE test")
            << 0 << false << QByteArrayList{"ir", "04 02 00 04"} << ""
            << "-"
            << "";
        QTest::newRow("full key echoed") << 0 << false << QByteArrayList{"05 01"} << "05"
                                         << "-"
                                         << "";
        QTest::newRow("multimedia echoed") << 0 << false << QByteArrayList{"06 01 02 03"} << "06"
                                           << "-"
                                           << "";
        QTest::newRow("too short: nothing") << 0 << false << QByteArrayList{"short"} << ""
                                            << "-"
                                            << "";
        QTest::newRow("calibration run passed") << kRowCount << true << QByteArrayList{"21 08 01 01", "21 08 00"} << ""
                                                << "4"
                                                << "";
        QTest::newRow("calibration run failed") << kRowCount << true << QByteArrayList{"21 08 02"} << ""
                                                << "-"
                                                << "calibration failed";
        QTest::newRow("calibration on a partial matrix: status still counts")
            << 1 << true << QByteArrayList{"21 08 02"} << ""
            << "-"
            << "calibration failed";
        QTest::newRow("calibration masks on a partial matrix ask for it")
            << 1 << true << QByteArrayList{"21 08 01 01"} << "10"
            << "-"
            << "calibration not finished";
    }

    void answers()
    {
        QFETCH(int, rows);
        QFETCH(bool, magnetic);
        QFETCH(QByteArrayList, answers);
        UnitRecorder recorder;
        VerdictCriteria criteria;
        criteria.keys = VerdictCriteria::Keys::None;
        recorder.setCriteria(criteria);
        recorder.unitStarted(UnitIdentity(), 0, magnetic);
        AnswerHandler handler(recorder);
        handler.setPlatform("0416", magnetic ? "7372" : "b23c", magnetic);
        std::int64_t now = 0;
        for (int r = 0; r < rows; ++r)
            handler.handle(reinterpret_cast<const std::uint8_t *>(frame(layoutRow(r)).constData()), HidReportSize,
                           false, now);
        now = 5000; // long after any layout query

        QStringList replies;
        QString page = QStringLiteral("-");
        bool irTest = false;
        for (const QByteArray &answer : answers) {
            if (answer == "ir") {
                irTest = true;
                continue;
            }
            const QByteArray f = answer == "short" ? frame("0e").left(20) : frame(answer);
            const AnswerEffects effects =
                handler.handle(reinterpret_cast<const std::uint8_t *>(f.constData()), f.size(), irTest, now += 10);
            for (const AnswerReply &reply : effects.replies)
                replies << QString::number(reply.report[1], 16).rightJustified(2, QLatin1Char('0'));
            if (effects.keyResult)
                page = joined(*effects.keyResult);
        }
        QTEST(replies.join(QLatin1Char(' ')), "replies");
        QTEST(page, "page");
        const std::string told = describeReasons(recorder.verdict().reasons(), VerdictWords(),
                                                 [](int qtDec) { return std::to_string(qtDec); });
        QTEST(QString::fromStdString(told), "reasons");
    }

    // A failed production run: the record names the keys of the matrix that
    // its answers never passed.
    void calibrationFailedKeys_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("failedKeys");
        // Row r, column c is usage 4 + 22 r + c; (1, 5) is empty.
        QTest::newRow("whole matrix") << kRowCount << "5 51";
        QTest::newRow("partial matrix: unknown") << 3 << "";
    }

    void calibrationFailedKeys()
    {
        QFETCH(int, rows);
        UnitRecorder recorder;
        recorder.unitStarted(UnitIdentity(), 0, true);
        AnswerHandler handler(recorder);
        handler.setPlatform("0416", "7372", true);
        for (int r = 0; r < rows; ++r)
            handler.handle(reinterpret_cast<const std::uint8_t *>(frame(layoutRow(r)).constData()), HidReportSize,
                           false, 0);
        // Every key passes but row 0 column 1 and row 2 column 3.
        QByteArray passed = "21 08 01";
        for (int c = 0; c < KeyMatrix::Columns; ++c)
            passed += c == 1 ? " 3e" : c == 3 ? " 3b" : " 3f";
        for (const QByteArray &answer : {passed, QByteArray("21 08 02")})
            handler.handle(reinterpret_cast<const std::uint8_t *>(frame(answer).constData()), HidReportSize, true,
                           5000);
        QTEST(joined(recorder.unitEnded(UnitEnd::Removal, 1)->calibrationFailedKeys), "failedKeys");
    }

    // The query at the link's opening, only while the matrix is needed.
    void layoutQueryWhenOpened()
    {
        UnitRecorder recorder;
        AnswerHandler handler(recorder);
        QCOMPARE(handler.linkOpened(0).size(), std::size_t(1));
        for (int r = 0; r < kRowCount; ++r)
            handler.handle(reinterpret_cast<const std::uint8_t *>(frame(layoutRow(r)).constData()), HidReportSize,
                           false, 0);
        QVERIFY(handler.linkOpened(0).empty());
    }
};

QTEST_APPLESS_MAIN(tst_answerHandler)
#include "tst_answerHandler.moc"
