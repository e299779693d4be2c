#include "calibrationVerdict.h"
#include "keyMatrix.h"

#include <QtTest>

namespace {

std::array<std::uint8_t, KeyMatrix::Columns> row(const QByteArray &hex)
{
    std::array<std::uint8_t, KeyMatrix::Columns> r{};
    const QByteArray raw = QByteArray::fromHex(hex);
    std::copy_n(raw.begin(), std::min<int>(raw.size(), KeyMatrix::Columns), r.begin());
    return r;
}

} // namespace

class tst_keyMatrix : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        // A, B: select that platform; C: a new connection; r: a layout row holding its arrival number.
        QTest::addColumn<QString>("steps");
        // Row count: the first cell of each row, the arrival that completed the table, the rows dropped.
        QTest::addColumn<QString>("table");

        QTest::newRow("six rows in arrival order") << "Arrrrrr"
                                                   << "6: 1 2 3 4 5 6 done 6 dropped 0";
        QTest::newRow("seventh row dropped") << "Arrrrrrr"
                                             << "6: 1 2 3 4 5 6 done 6 dropped 1";
        QTest::newRow("platform change zeroes") << "ArrrrrrB"
                                                << "0: 0 0 0 0 0 0 done 6 dropped 0";
        QTest::newRow("same platform keeps") << "ArrrrrrA"
                                             << "6: 1 2 3 4 5 6 done 6 dropped 0";
        QTest::newRow("rows again after a change") << "ArrrrrrBr"
                                                   << "1: 7 0 0 0 0 0 done 6 dropped 0";
        QTest::newRow("connection keeps a complete table") << "ArrrrrrC"
                                                           << "6: 1 2 3 4 5 6 done 6 dropped 0";
        QTest::newRow("connection restarts an incomplete one") << "ArrCr"
                                                               << "1: 3 0 0 0 0 0 done - dropped 0";
    }

    void layout()
    {
        QFETCH(QString, steps);
        KeyMatrix m;
        int arrived = 0, dropped = 0;
        QString done = "-";
        for (QChar step : steps) {
            bool completed = false;
            if (step == 'C')
                m.beginConnection();
            else if (step == 'r')
                dropped += m.addRow(row(QByteArray(1, char(++arrived)).toHex()), &completed) ? 0 : 1;
            else
                m.setPlatform(step == 'A' ? "0416" : "258a", step == 'A' ? "7372" : "002a");
            done = completed ? QString::number(arrived) : done;
            QCOMPARE(m.needsLayoutQuery(), !m.isComplete());
        }
        QString table = QString::number(m.rowCount()) + ':';
        for (int r = 0; r < KeyMatrix::Rows; ++r)
            table += ' ' + QString::number(m.cell(r, 0));
        QTEST(table + " done " + done + " dropped " + QString::number(dropped), "table");
    }

    void masks_data()
    {
        QTest::addColumn<bool>("layout");            // row r, column c holding the usage (r + 1) * 40 + c
        QTest::addColumn<QByteArrayList>("answers"); // column masks of consecutive answers; "-": the test button
        QTest::addColumn<QList<int>>("badKeyDecList");

        const QByteArray col5and21 = "00 00 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01";
        QTest::newRow("0x11 names rows 0 then 4") << true << QByteArrayList{"00 00 00 11"} << QList<int>{43, 203};
        QTest::newRow("columns ascending") << true << QByteArrayList{col5and21, "02"} << QList<int>{80, 45, 61};
        QTest::newRow("bits 6 and 7 ignored") << true << QByteArrayList{"c1"} << QList<int>{40};
        QTest::newRow("non-zero replaces") << true << QByteArrayList{"01", "02"} << QList<int>{80};
        QTest::newRow("zero leaves") << true << QByteArrayList{"01 00", "00 02"} << QList<int>{40, 81};
        QTest::newRow("test button empties") << true << QByteArrayList{"01", "-", "00 01"} << QList<int>{41};
        QTest::newRow("no layout names usage 0") << false << QByteArrayList{"00 00 00 11"} << QList<int>{0, 0};
    }

    void masks()
    {
        QFETCH(bool, layout);
        QFETCH(QByteArrayList, answers);
        KeyMatrix m;
        for (int r = 0; layout && r < KeyMatrix::Rows; ++r) {
            std::array<std::uint8_t, KeyMatrix::Columns> cells{};
            for (int c = 0; c < KeyMatrix::Columns; ++c)
                cells[size_t(c)] = std::uint8_t((r + 1) * 40 + c);
            m.addRow(cells);
        }
        for (const QByteArray &answer : answers)
            answer == "-" ? m.clearMasks() : m.addMasks(row(answer));
        const std::vector<int> list = m.badKeyDecList();
        QTEST(QList<int>(list.begin(), list.end()), "badKeyDecList");
    }

    void calibration_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("step"); // masks applied, verdict, test finished

        QTest::newRow("0 passed") << 0 << "masks Successful finished";
        QTest::newRow("1 running") << 1 << "masks None running";
        QTest::newRow("2 failed") << 2 << "- Failed finished";
        QTest::newRow("3 unknown") << 3 << "- None running";
        QTest::newRow("255 unknown") << 255 << "- None running";
    }

    void calibration()
    {
        QFETCH(int, status);
        const CalibrationStep s = calibrationStep(status);
        const char *verdict[] = {"None", "Successful", "Failed"};
        QTEST(QString("%1 %2 %3")
                  .arg(s.applyMasks ? "masks" : "-", verdict[int(s.verdict)], s.finished ? "finished" : "running"),
              "step");
    }
};

QTEST_APPLESS_MAIN(tst_keyMatrix)
#include "tst_keyMatrix.moc"
