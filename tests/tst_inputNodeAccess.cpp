#include "inputNodeAccess.h"

#include <QtTest>

#include <cerrno>

class tst_inputNodeAccess : public QObject
{
    Q_OBJECT

private slots:
    void explain_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("grabbing");
        QTest::addColumn<QString>("words");

        QTest::newRow("no permission: the node and the rule")
            << EACCES << false
            << "no permission on /dev/input/event7: install the udev rule 70-tavrin-keyboard-test.rules (see "
               "README), then unplug and replug the keyboard";
        QTest::newRow("held by another program")
            << EBUSY << true << "another program holds /dev/input/event7 for itself";
        QTest::newRow("unplugged") << ENODEV << false << "/dev/input/event7 is gone: the keyboard was unplugged";
    }
    void explain()
    {
        QFETCH(int, error);
        QFETCH(bool, grabbing);
        QFETCH(QString, words);
        QCOMPARE(QString::fromStdString(inputNodeAccess::explain("/dev/input/event7", error, grabbing)), words);
    }
};

QTEST_GUILESS_MAIN(tst_inputNodeAccess)
#include "tst_inputNodeAccess.moc"
