#include "hidAccessHint.h"

#include <QtTest>

#include <cerrno>

class tst_hidAccessHint : public QObject
{
    Q_OBJECT

private slots:
    void explain_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("error");
        QTest::addColumn<QStringList>("mustContain");

        QTest::newRow("allowed: nothing to add") << QByteArray("/dev/hidraw3") << 0 << QStringList();
        QTest::newRow("no permission names the rule")
            << QByteArray("/dev/hidraw3") << int(EACCES)
            << QStringList{"/dev/hidraw3", "70-tavrin-keyboard-test.rules", "permission"};
        QTest::newRow("not permitted names the rule")
            << QByteArray("/dev/hidraw0") << int(EPERM) << QStringList{"70-tavrin-keyboard-test.rules"};
        QTest::newRow("node gone") << QByteArray("/dev/hidraw9") << int(ENOENT)
                                   << QStringList{"/dev/hidraw9", "unplugged"};
        QTest::newRow("other error gives its number")
            << QByteArray("/dev/hidraw1") << int(EIO) << QStringList{"/dev/hidraw1", QString::number(EIO)};
    }
    void explain()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, error);
        QFETCH(QStringList, mustContain);
        const QString text = hidAccessHint::explain(path, error);
        QCOMPARE(text.isEmpty(), mustContain.isEmpty());
        for (const QString &part : mustContain)
            QVERIFY2(text.contains(part, Qt::CaseInsensitive), qPrintable(text));
    }

#ifdef Q_OS_LINUX
    void probeAccess_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("error");
        QTest::newRow("not a device node") << QByteArray("sim:0416:b23c:0:2") << 0;
        QTest::newRow("accessible node") << QByteArray("/dev/null") << 0;
        QTest::newRow("missing node") << QByteArray("/dev/hidraw-that-is-not-there") << int(ENOENT);
    }
    void probeAccess()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, error);
        QCOMPARE(hidAccessHint::probeAccess(path), error);
    }
#endif
};

QTEST_APPLESS_MAIN(tst_hidAccessHint)
#include "tst_hidAccessHint.moc"
