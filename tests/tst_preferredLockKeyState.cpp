#include "lockKeyStateFake.h"
#include "preferredLockKeyState.h"

#include <QtTest>

class tst_preferredLockKeyState : public QObject
{
    Q_OBJECT

private slots:
    void answer_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<bool>("toggled");
        QTest::addColumn<int>("fallbackReads");

        QTest::newRow("first knows: on") << 1 << true << 0;
        QTest::newRow("first knows: off, though the system's is on") << 0 << false << 0;
        QTest::newRow("first does not know: the system's") << -1 << true << 1;
    }
    void answer()
    {
        QFETCH(int, first);
        QFETCH(bool, toggled);
        QFETCH(int, fallbackReads);
        const QSet<int> systemOn{20};
        int reads = 0;
        preferredLockKeyState state([first](int) { return first; },
                                    std::make_unique<lockKeyStateFake>(&systemOn, &reads));
        QCOMPARE(state.isToggled(20), toggled);
        QCOMPARE(reads, fallbackReads);
    }
};

QTEST_GUILESS_MAIN(tst_preferredLockKeyState)
#include "tst_preferredLockKeyState.moc"
