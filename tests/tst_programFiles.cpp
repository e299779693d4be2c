// Where the program finds its layout and catalogues: beside itself first,
// then in the data folder of an installation (bin/ -> share/<name>/).
#include "programFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class tst_programFiles : public QObject
{
    Q_OBJECT

private slots:
    void folderHolding_data()
    {
        QTest::addColumn<QStringList>("files"); // made under an installation's prefix
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<QString>("expected"); // relative to the prefix

        const QString bin = TKT_INSTALL_BINDIR;
        const QString installed = TKT_INSTALL_DATADIR;
        QTest::newRow("beside the program")
            << QStringList{bin + "/configDir/KeyInfo.config"} << "configDir/KeyInfo.config" << bin;
        QTest::newRow("installed") << QStringList{installed + "/configDir/KeyInfo.config"} << "configDir/KeyInfo.config"
                                   << installed;
        QTest::newRow("beside wins over installed")
            << QStringList{bin + "/translation/English.qm", installed + "/translation/English.qm"} << "translation"
            << bin;
        QTest::newRow("a folder installed")
            << QStringList{installed + "/translation/English.qm"} << "translation" << installed;
        QTest::newRow("nowhere: beside, as before") << QStringList{} << "configDir/KeyInfo.config" << bin;
        QTest::newRow("another file installed does not count")
            << QStringList{installed + "/configDir/Other.config"} << "configDir/KeyInfo.config" << bin;
    }

    void folderHolding()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, relativePath);
        QFETCH(QString, expected);
        QTemporaryDir prefix;
        QDir root(prefix.path());
        QVERIFY(root.mkpath(TKT_INSTALL_BINDIR));
        for (const QString &file : files) {
            QVERIFY(root.mkpath(QFileInfo(file).path()));
            QFile made(root.filePath(file));
            QVERIFY(made.open(QIODevice::WriteOnly));
        }
        QCOMPARE(programFiles::folderHolding(root.filePath(TKT_INSTALL_BINDIR), relativePath), root.filePath(expected));
    }
};

QTEST_GUILESS_MAIN(tst_programFiles)
#include "tst_programFiles.moc"
