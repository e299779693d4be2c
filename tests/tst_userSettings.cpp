// The settings file: where it lives, how every value read from it falls back
// when the user's file holds something else, and that a file that cannot be
// written leaves the values in memory.
#include "userSettings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class tst_userSettings : public QObject
{
    Q_OBJECT

private slots:
    void keysAreWrittenUnderTheirSections();
    void configFileFoldersAreCreated();
    void oversizedFileIsMovedAside();
    void storedTestType_data();
    void storedTestType();
    void storedIds_data();
    void storedIds();
    void unwritableFolderKeepsValuesInMemory();

private:
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), qint64(bytes.size()));
    }
};

void tst_userSettings::keysAreWrittenUnderTheirSections()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Config.ini");
    {
        QSettings settings(path, QSettings::IniFormat);
        QCOMPARE(userSettings::keyPath("hidCon", "vid"), QString("/hidCon/vid"));
        userSettings::writeIds(settings, "0x1fc9", "0xe8d8");
        userSettings::writeTestType(settings, 3);
        userSettings::writeOperator(settings, QStringLiteral(" Li, Wei "));
    }
    QCOMPARE(userSettings::storedOperator(QSettings(path, QSettings::IniFormat)), QStringLiteral("Li, Wei"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY2(text.contains("[hidCon]\npid=0xe8d8\nvid=0x1fc9\n"), text.constData());
    QVERIFY2(text.contains("[lighetTest]\ntestType=3"), text.constData());
    QVERIFY2(text.contains("[station]\noperator=\"Li, Wei\""), text.constData());
}

void tst_userSettings::configFileFoldersAreCreated()
{
    QTemporaryDir dir;
    const QString appData = dir.filePath("deep/TavrinKeyboardTest");
    const QString path = userSettings::prepareConfigFile(appData);
    QCOMPARE(path, appData + "/UserConfig/Config.ini");
    QVERIFY(QFileInfo(appData + "/UserConfig").isDir());
}

void tst_userSettings::oversizedFileIsMovedAside()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("UserConfig"));
    const QString path = dir.filePath("UserConfig/Config.ini");
    writeFile(path + ".bad", "an older one");
    const QByteArray big(int(userSettings::MaxFileBytes) + 1, 'x');
    writeFile(path, big);

    QCOMPARE(userSettings::prepareConfigFile(dir.path()), path);
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QFileInfo(path + ".bad").size(), qint64(big.size()));

    // A file of ordinary size is left where it is.
    writeFile(path, "[hidCon]\nvid=0x0416\n");
    userSettings::prepareConfigFile(dir.path());
    QVERIFY(QFile::exists(path));
}

void tst_userSettings::storedTestType_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("type");

    QTest::newRow("missing") << QByteArray("[hidCon]\nvid=0x0416\n") << false << 0;
    QTest::newRow("empty file") << QByteArray() << false << 0;
    QTest::newRow("blue") << QByteArray("[lighetTest]\ntestType=3\n") << true << 3;
    QTest::newRow("white, padded") << QByteArray("[lighetTest]\ntestType= 4 \n") << true << 4;
    // Out of range is kept: no colour button shows it, and the light gets the
    // setting every unknown type gets.
    QTest::newRow("out of range") << QByteArray("[lighetTest]\ntestType=77\n") << true << 77;
    QTest::newRow("light off") << QByteArray("[lighetTest]\ntestType=99\n") << true << 99;
    QTest::newRow("negative") << QByteArray("[lighetTest]\ntestType=-1\n") << true << -1;
    QTest::newRow("not a number") << QByteArray("[lighetTest]\ntestType=green\n") << true << 0;
    QTest::newRow("fraction") << QByteArray("[lighetTest]\ntestType=2.5\n") << true << 0;
    QTest::newRow("among garbage lines") << QByteArray("garbage\n[[[\n\x01\x02=\n[lighetTest]\ntestType=2\n=\n") << true
                                         << 2;
}

void tst_userSettings::storedTestType()
{
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = dir.filePath("Config.ini");
    writeFile(path, file);
    QSettings settings(path, QSettings::IniFormat);
    QTEST(userSettings::hasTestType(settings), "present");
    QTEST(userSettings::storedTestType(settings), "type");
}

void tst_userSettings::storedIds_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("vid");
    QTest::addColumn<QString>("pid");

    QTest::newRow("both") << QByteArray("[hidCon]\nvid=0x0416\npid=0x7372\n") << true << "0x0416"
                          << "0x7372";
    QTest::newRow("pid missing") << QByteArray("[hidCon]\nvid=0x0416\n") << false << "0x0416"
                                 << "";
    QTest::newRow("not hexadecimal") << QByteArray("[hidCon]\nvid=zzz\npid=0xb23c\n") << true << "zzz"
                                     << "0xb23c";
    QTest::newRow("a comma keeps its text") << QByteArray("[hidCon]\nvid=0x04,16\npid=0xb23c\n") << true << "0x04,16"
                                            << "0xb23c";
    QTest::newRow("empty values") << QByteArray("[hidCon]\nvid=\npid=\n") << true << ""
                                  << "";
}

void tst_userSettings::storedIds()
{
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = dir.filePath("Config.ini");
    writeFile(path, file);
    QSettings settings(path, QSettings::IniFormat);
    QTEST(userSettings::hasIds(settings), "present");
    QTEST(userSettings::storedVidText(settings), "vid");
    QTEST(userSettings::storedPidText(settings), "pid");
}

void tst_userSettings::unwritableFolderKeepsValuesInMemory()
{
    // A plain file where the folder should be: even root cannot write below it.
    QTemporaryDir dir;
    writeFile(dir.filePath("UserConfig"), "not a folder");
    const QString path = userSettings::prepareConfigFile(dir.path());

    QSettings settings(path, QSettings::IniFormat);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("settings file not written"));
    userSettings::writeIds(settings, "0x1fc9", "0xe8d8");
    QCOMPARE(settings.status(), QSettings::AccessError);
    QVERIFY(userSettings::hasIds(settings));
    QCOMPARE(userSettings::storedVidText(settings), QString("0x1fc9"));
    QCOMPARE(userSettings::storedPidText(settings), QString("0xe8d8"));
    QVERIFY(!QFile::exists(path));
}

QTEST_APPLESS_MAIN(tst_userSettings)
#include "tst_userSettings.moc"
