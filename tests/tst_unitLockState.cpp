#include "unitLockState.h"

#include <QtTest>

#include <linux/input-event-codes.h>

class tst_unitLockState : public QObject
{
    Q_OBJECT

private slots:
    void toggles_data()
    {
        QTest::addColumn<QVector<int>>("presses"); // key code, value, ...
        QTest::addColumn<QVector<bool>>("numCapsScroll");

        QTest::newRow("starts as the LEDs showed") << QVector<int>{} << QVector<bool>{true, false, false};
        QTest::newRow("press toggles") << QVector<int>{KEY_CAPSLOCK, 1} << QVector<bool>{true, true, false};
        QTest::newRow("release and repeat do not")
            << QVector<int>{KEY_SCROLLLOCK, 1, KEY_SCROLLLOCK, 2, KEY_SCROLLLOCK, 0}
            << QVector<bool>{true, false, true};
        QTest::newRow("second press back")
            << QVector<int>{KEY_NUMLOCK, 1, KEY_NUMLOCK, 0, KEY_NUMLOCK, 1} << QVector<bool>{true, false, false};
        QTest::newRow("other keys do not") << QVector<int>{KEY_A, 1} << QVector<bool>{true, false, false};
    }
    void toggles()
    {
        QFETCH(QVector<int>, presses);
        QFETCH(QVector<bool>, numCapsScroll);
        UnitLockState locks;
        locks.setLeds(true, false, false);
        for (int i = 0; i + 1 < presses.size(); i += 2)
            locks.handleKey(presses[i], presses[i + 1]);
        QCOMPARE((QVector<bool>{locks.isToggled(144), locks.isToggled(20), locks.isToggled(145)}), numCapsScroll);
        QCOMPARE((QVector<bool>{locks.ledOn(LED_NUML), locks.ledOn(LED_CAPSL), locks.ledOn(LED_SCROLLL)}),
                 numCapsScroll);
        QVERIFY(!locks.isToggled(65));
        QVERIFY(!locks.ledOn(LED_COMPOSE));
    }
};

QTEST_GUILESS_MAIN(tst_unitLockState)
#include "tst_unitLockState.moc"
