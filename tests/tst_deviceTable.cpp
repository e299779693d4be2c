#include "deviceTable.h"

#include <QtTest>

class tst_deviceTable : public QObject
{
    Q_OBJECT

private slots:
    void entryTextsInListOrder();
    void storedIds_data();
    void storedIds();
    void split_data();
    void split();
    void ids_data();
    void ids();
};

void tst_deviceTable::entryTextsInListOrder()
{
    QStringList texts = deviceTable::entryTexts();
    QCOMPARE(texts.size(), deviceTable::EntryCount);
    QCOMPARE(texts.first(), QString("0x0416,0xc345,(M252)"));
    QCOMPARE(texts.at(deviceTable::DefaultEntry), QString("0x0416,0xb23c,(NUC121)"));
    QCOMPARE(texts.at(5), QString("0x1fc9,0xe8d8,(QN9080Dongle)"));
    QCOMPARE(texts.last(), QString("0x0416,0x7372,(MagneticM484)"));
    QCOMPARE(texts.removeDuplicates(), 0);
}

void tst_deviceTable::storedIds_data()
{
    QTest::addColumn<QString>("vid");
    QTest::addColumn<QString>("pid");
    QTest::addColumn<int>("entry");

    QTest::newRow("NUC121") << "0x0416"
                            << "0xb23c" << 1;
    QTest::newRow("TV32S128 shares the PID of NUC121") << "0x0c45"
                                                       << "0xb23c" << 3;
    QTest::newRow("M252") << "0x0416"
                          << "0xc345" << 0;
    QTest::newRow("QN9080Dongle") << "0x1fc9"
                                  << "0xe8d8" << 5;
    QTest::newRow("magnetic") << "0x0416"
                              << "0x7372" << 11;
    QTest::newRow("JL dongle") << "0x4a4c"
                               << "0xe988" << 10;
    QTest::newRow("upper-case digits match nothing") << "0x1FC9"
                                                     << "0xE8D8" << -1;
    QTest::newRow("unknown ids") << "0x1234"
                                 << "0x5678" << -1;
    QTest::newRow("empty texts") << ""
                                 << "" << -1;
    QTest::newRow("digits anywhere in the text") << "vid=0416!"
                                                 << "pid b23c" << 1;
}

void tst_deviceTable::storedIds()
{
    QFETCH(QString, vid);
    QFETCH(QString, pid);
    QFETCH(int, entry);
    QCOMPARE(deviceTable::entryForStoredIds(vid, pid), entry);
}

void tst_deviceTable::split_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("vid");
    QTest::addColumn<QString>("pid");

    QTest::newRow("table entry") << "0x0416,0xb23c,(NUC121)"
                                 << "0x0416"
                                 << "0xb23c";
    QTest::newRow("pid takes the vid's length") << "0x16,0xb23c,(X)"
                                                << "0x16"
                                                << "0xb2";
    QTest::newRow("no comma") << "garbage"
                              << "garbage"
                              << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
}

void tst_deviceTable::split()
{
    QFETCH(QString, text);
    QString vid, pid;
    deviceTable::splitEntryText(text, &vid, &pid);
    QTEST(vid, "vid");
    QTEST(pid, "pid");
}

void tst_deviceTable::ids_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("shortForm");

    QTest::newRow("prefixed") << "0x0416" << 0x0416 << "0416";
    QTest::newRow("upper case") << "0X1FC9" << 0x1fc9 << "1FC9";
    QTest::newRow("bare digits") << "b23c" << 0xb23c << "b23c";
    QTest::newRow("not a number") << "zzz" << 0 << "zzz";
    QTest::newRow("empty") << "" << 0 << "";
    QTest::newRow("too large for a USB id") << "0x123456" << 0 << "3456";
}

void tst_deviceTable::ids()
{
    QFETCH(QString, text);
    QFETCH(int, id);
    QFETCH(QString, shortForm);
    QCOMPARE(deviceTable::idFromText(text), id);
    QCOMPARE(deviceTable::shortId(text), shortForm);
}

QTEST_APPLESS_MAIN(tst_deviceTable)
#include "tst_deviceTable.moc"
