// The operator's workflow without widgets: which controls each event leaves
// enabled and which light or command report goes out.
#include "testWorkflow.h"

#include <QtTest>

namespace {

// The controls as one text, so a table row reads like the screen.
QString controlsText(const ControlStates &c)
{
    return QStringLiteral("start=%1 stop=%2 ir=%3 colours=%4 light=%5 production=%6 standard=%7")
        .arg(int(c.startTest))
        .arg(int(c.stopTest))
        .arg(int(c.irKeyTest))
        .arg(int(c.colourButtons))
        .arg(int(c.ledTestOpen))
        .arg(int(c.productionShown))
        .arg(int(c.standardTestChecked));
}

// Runs one operator step as the window does and notes every report that goes
// out: "light N", "leave", "enter", "check", "reset".
void runStep(TestWorkflow &w, const QString &step, QStringList &sent, int storedType)
{
    auto light = [&sent](const LightChange &change) {
        if (change.send)
            sent << QStringLiteral("light %1").arg(change.testType);
    };
    if (step == QLatin1String("connect")) {
        w.setConnected(true);
        light(w.toggleLightTest(storedType));
    } else if (step == QLatin1String("magnetic")) {
        w.setMagnetic(true);
    } else if (step == QLatin1String("start")) {
        w.keyTestStarted();
    } else if (step == QLatin1String("stop")) {
        w.keyTestStopped();
    } else if (step == QLatin1String("standard")) {
        if (w.chooseStandardTest())
            sent << QStringLiteral("leave");
        w.keyTestStarted();
    } else if (step == QLatin1String("ir")) {
        if (w.chooseIrTest()) {
            w.keyTestStopped();
            w.holdKeyTest();
        }
    } else if (step == QLatin1String("check")) {
        if (w.irCheck() == TestWorkflow::IrCheck::MagneticEnter) {
            sent << QStringLiteral("enter");
            if (w.connected())
                w.productionStarted();
        } else {
            sent << QStringLiteral("check");
        }
    } else if (step == QLatin1String("verdict")) {
        w.productionFinished();
    } else if (step == QLatin1String("light")) {
        light(w.toggleLightTest(storedType));
    } else if (step == QLatin1String("reset")) {
        bool closeLightFirst = false;
        if (w.resetKeyboard(&closeLightFirst)) {
            if (closeLightFirst)
                light(w.toggleLightTest(storedType));
            sent << QStringLiteral("reset");
        }
    } else if (step == QLatin1String("remove")) {
        w.deviceRemoved();
    } else if (step == QLatin1String("close")) {
        light(w.windowClosing());
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

} // namespace

class tst_testWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void events_data();
    void events();
    void ledTypeStep_data();
    void ledTypeStep();
    void ledTypeCycleFromStart();
};

void tst_testWorkflow::events_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("storedType");
    QTest::addColumn<QString>("controls");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<bool>("irTest");

    QTest::newRow("window built") << "" << 0 << "start=1 stop=0 ir=0 colours=0 light=0 production=0 standard=1"
                                  << QStringList() << false;
    QTest::newRow("key test start") << "start" << 0 << "start=0 stop=1 ir=0 colours=0 light=0 production=0 standard=1"
                                    << QStringList() << false;
    QTest::newRow("key test stop") << "start stop" << 0
                                   << "start=1 stop=0 ir=0 colours=0 light=0 production=0 standard=1" << QStringList()
                                   << false;
    QTest::newRow("connect opens the light test with the saved type")
        << "start connect" << 3 << "start=0 stop=1 ir=0 colours=1 light=1 production=0 standard=1"
        << QStringList{"light 3"} << false;
    QTest::newRow("saved type out of range is sent as it is")
        << "connect" << 7 << "start=1 stop=0 ir=0 colours=1 light=1 production=0 standard=1" << QStringList{"light 7"}
        << false;
    QTest::newRow("light test closed sends light off")
        << "connect light" << 3 << "start=1 stop=0 ir=0 colours=0 light=0 production=0 standard=1"
        << QStringList{"light 3", "light 99"} << false;
    QTest::newRow("light test opened while disconnected sends nothing")
        << "light" << 2 << "start=1 stop=0 ir=0 colours=1 light=1 production=0 standard=1" << QStringList() << false;
    QTest::newRow("IR/HE while connected holds the key test")
        << "start connect ir" << 0 << "start=0 stop=0 ir=1 colours=1 light=1 production=0 standard=0"
        << QStringList{"light 0"} << true;
    QTest::newRow("IR/HE while disconnected only sets the mode")
        << "start ir" << 0 << "start=0 stop=1 ir=0 colours=0 light=0 production=0 standard=0" << QStringList() << true;
    QTest::newRow("key check on a standard platform")
        << "connect ir check" << 0 << "start=0 stop=0 ir=1 colours=1 light=1 production=0 standard=0"
        << QStringList{"light 0", "check"} << true;
    QTest::newRow("magnetic enter runs the production display")
        << "magnetic connect ir check" << 0 << "start=0 stop=0 ir=0 colours=1 light=1 production=1 standard=0"
        << QStringList{"light 0", "enter"} << true;
    QTest::newRow("verdict enables the check again")
        << "magnetic connect ir check verdict" << 0 << "start=0 stop=0 ir=1 colours=1 light=1 production=1 standard=0"
        << QStringList{"light 0", "enter"} << true;
    QTest::newRow("standard test on the magnetic platform leaves the run")
        << "magnetic connect ir check standard" << 0 << "start=0 stop=1 ir=0 colours=1 light=1 production=0 standard=1"
        << QStringList{"light 0", "enter", "leave"} << false;
    QTest::newRow("standard test elsewhere sends nothing")
        << "connect ir standard" << 0 << "start=0 stop=1 ir=0 colours=1 light=1 production=0 standard=1"
        << QStringList{"light 0"} << false;
    QTest::newRow("reset with the light test open: light off first")
        << "connect reset" << 1 << "start=1 stop=0 ir=0 colours=0 light=0 production=0 standard=1"
        << QStringList{"light 1", "light 99", "reset"} << false;
    QTest::newRow("reset with the light test closed")
        << "connect light reset" << 1 << "start=1 stop=0 ir=0 colours=0 light=0 production=0 standard=1"
        << QStringList{"light 1", "light 99", "reset"} << false;
    QTest::newRow("reset while disconnected does nothing")
        << "light reset" << 1 << "start=1 stop=0 ir=0 colours=1 light=1 production=0 standard=1" << QStringList()
        << false;
    QTest::newRow("removal resets every control and sends nothing")
        << "magnetic start connect ir check remove" << 0
        << "start=1 stop=0 ir=0 colours=0 light=0 production=0 standard=1" << QStringList{"light 0", "enter"} << false;
    QTest::newRow("replug after a removal opens the light test again")
        << "start connect remove connect" << 4 << "start=1 stop=0 ir=0 colours=1 light=1 production=0 standard=1"
        << QStringList{"light 4", "light 4"} << false;
    QTest::newRow("close with the light test open sends light off")
        << "connect close" << 2 << "start=1 stop=0 ir=0 colours=1 light=1 production=0 standard=1"
        << QStringList{"light 2", "light 99"} << false;
    QTest::newRow("close with the light test closed sends nothing")
        << "connect light close" << 2 << "start=1 stop=0 ir=0 colours=0 light=0 production=0 standard=1"
        << QStringList{"light 2", "light 99"} << false;
}

void tst_testWorkflow::events()
{
    QFETCH(QString, steps);
    QFETCH(int, storedType);
    QFETCH(QString, controls);
    QFETCH(QStringList, sent);
    QFETCH(bool, irTest);

    TestWorkflow w;
    QStringList actual;
    for (const QString &step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        runStep(w, step, actual, storedType);
    QCOMPARE(controlsText(w.controls()), controls);
    QCOMPARE(actual, sent);
    QCOMPARE(w.irTest(), irTest);
}

void tst_testWorkflow::ledTypeStep_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("direction");
    QTest::addColumn<bool>("ledTestOpen");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<int>("ledType");
    QTest::addColumn<QString>("logLine");

    QTest::newRow("light test closed: back does nothing") << 1 << -1 << false << false << 0 << "";
    QTest::newRow("light test closed: forward does nothing") << 5 << 1 << false << false << 0 << "";
    QTest::newRow("back from 1 wraps to 5") << 1 << -1 << true << true << 5 << "------------- Left m_CurrentLedType: 5";
    QTest::newRow("back from 3") << 3 << -1 << true << true << 2 << "------------- Left m_CurrentLedType: 2";
    QTest::newRow("forward from 5 wraps to 1")
        << 5 << 1 << true << true << 1 << "------------- Right m_CurrentLedType: 1";
    QTest::newRow("forward from 2") << 2 << 1 << true << true << 3 << "------------- Right m_CurrentLedType: 3";
    QTest::newRow("no direction") << 2 << 0 << true << false << 0 << "";
    QTest::newRow("out of range 0, forward starts at 1")
        << 0 << 1 << true << true << 1 << "------------- Right m_CurrentLedType: 1";
    QTest::newRow("out of range 9, back starts at 5")
        << 9 << -1 << true << true << 5 << "------------- Left m_CurrentLedType: 5";
    QTest::newRow("out of range -7, forward starts at 1")
        << -7 << 1 << true << true << 1 << "------------- Right m_CurrentLedType: 1";
}

void tst_testWorkflow::ledTypeStep()
{
    QFETCH(int, current);
    QFETCH(int, direction);
    QFETCH(bool, ledTestOpen);
    QFETCH(bool, applied);
    QFETCH(int, ledType);
    QFETCH(QString, logLine);

    const LedTypeStep step = stepLedType(current, direction, ledTestOpen);
    QCOMPARE(step.applied, applied);
    if (applied)
        QCOMPARE(step.ledType, ledType);
    QCOMPARE(QString::fromStdString(step.logLine), logLine);
}

void tst_testWorkflow::ledTypeCycleFromStart()
{
    // Ctrl+Right five times from the start value 1 visits R, G, B, W, RGB:
    // zero-based types 1, 2, 3, 4, 0.
    int current = 1;
    QVector<int> sent;
    for (int i = 0; i < 5; ++i) {
        const LedTypeStep step = stepLedType(current, 1, true);
        QVERIFY(step.applied);
        current = step.ledType;
        sent << current - 1;
    }
    QCOMPARE(sent, (QVector<int>{1, 2, 3, 4, 0}));
}

QTEST_APPLESS_MAIN(tst_testWorkflow)
#include "tst_testWorkflow.moc"
