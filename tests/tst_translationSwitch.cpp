// The language switch: one translator of ours installed at a time, a missing
// catalogue changes nothing, a name can never leave the translation folder.
#include "translationSwitch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

namespace {
const char fileNoHave[] = "------------- File No Have ------------------";

QString windowText(const char *source)
{
    return QCoreApplication::translate("mainPageDia", source);
}
} // namespace

class tst_translationSwitch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void switchSequence_data();
    void switchSequence();
    void replacedTranslatorIsDeleted();

private:
    QTemporaryDir m_appDir;
    QTranslator *m_current = nullptr;
};

void tst_translationSwitch::initTestCase()
{
    // A stand-in for the program's directory: translation/ with two good
    // catalogues, one that is not a catalogue at all and a folder named like one.
    QVERIFY(m_appDir.isValid());
    QDir dir(m_appDir.path());
    QVERIFY(dir.mkpath("translation/Folder.qm"));
    QVERIFY(QFile::copy(TKT_SWITCH_QM_DIR "/translationSwitch_first.qm", dir.filePath("translation/First.qm")));
    QVERIFY(QFile::copy(TKT_SWITCH_QM_DIR "/translationSwitch_second.qm", dir.filePath("translation/Second.qm")));
    QFile broken(dir.filePath("translation/Broken.qm"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("this is no catalogue");
    broken.close();
}

void tst_translationSwitch::cleanup()
{
    if (m_current) {
        QCoreApplication::removeTranslator(m_current);
        delete m_current;
        m_current = nullptr;
    }
}

void tst_translationSwitch::switchSequence_data()
{
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<bool>("lastFound");
    QTest::addColumn<QString>("defaultText");
    QTest::addColumn<QString>("disconnectText");

    // "Disconnect" is only in the first catalogue: seeing it untranslated
    // after a switch to the second proves the first is no longer installed.
    QTest::newRow("first catalogue") << QStringList{"First"} << true << "first-Default"
                                     << "first-Disconnect";
    QTest::newRow("switch twice leaves only the second") << QStringList{"First", "Second"} << true << "second-Default"
                                                         << "Disconnect";
    QTest::newRow("switch back") << QStringList{"Second", "First"} << true << "first-Default"
                                 << "first-Disconnect";
    QTest::newRow("four switches") << QStringList{"First", "Second", "First", "Second"} << true << "second-Default"
                                   << "Disconnect";
    QTest::newRow("same language twice") << QStringList{"First", "First"} << true << "first-Default"
                                         << "first-Disconnect";
    QTest::newRow("missing at start keeps source texts") << QStringList{"Japanese"} << false << "Default"
                                                         << "Disconnect";
    QTest::newRow("missing keeps the installed one") << QStringList{"First", "Japanese"} << false << "first-Default"
                                                     << "first-Disconnect";
    QTest::newRow("missing then present") << QStringList{"First", "Japanese", "Second"} << true << "second-Default"
                                          << "Disconnect";
    QTest::newRow("unloadable file falls back to source texts") << QStringList{"First", "Broken"} << true << "Default"
                                                                << "Disconnect";
    QTest::newRow("after an unloadable file") << QStringList{"Broken", "Second"} << true << "second-Default"
                                              << "Disconnect";
    QTest::newRow("folder named like a catalogue") << QStringList{"First", "Folder"} << false << "first-Default"
                                                   << "first-Disconnect";
    QTest::newRow("name with a path stays in the folder")
        << QStringList{"First", "../translation/Second"} << false << "first-Default"
        << "first-Disconnect";
    QTest::newRow("name with a backslash")
        << QStringList{"First", "..\\translation\\Second"} << false << "first-Default"
        << "first-Disconnect";
    QTest::newRow("empty name") << QStringList{"First", ""} << false << "first-Default"
                                << "first-Disconnect";
}

void tst_translationSwitch::switchSequence()
{
    QFETCH(QStringList, languages);
    QFETCH(bool, lastFound);
    QFETCH(QString, defaultText);
    QFETCH(QString, disconnectText);

    const QStringList present{"First", "Second", "Broken"};
    bool found = false;
    for (const QString &language : languages) {
        if (!present.contains(language))
            QTest::ignoreMessage(QtDebugMsg, fileNoHave);
        found = translationSwitch::apply(m_current, m_appDir.path(), language);
        QCOMPARE(found, present.contains(language));
    }
    QCOMPARE(found, lastFound);
    QCOMPARE(windowText("Default"), defaultText);
    QCOMPARE(windowText("Disconnect"), disconnectText);
}

void tst_translationSwitch::replacedTranslatorIsDeleted()
{
    QVERIFY(translationSwitch::apply(m_current, m_appDir.path(), "First"));
    QPointer<QTranslator> first = m_current;
    QVERIFY(!first.isNull());

    QTest::ignoreMessage(QtDebugMsg, fileNoHave);
    QVERIFY(!translationSwitch::apply(m_current, m_appDir.path(), "Japanese"));
    QCOMPARE(m_current, first.data());

    QVERIFY(translationSwitch::apply(m_current, m_appDir.path(), "Second"));
    QVERIFY(first.isNull());
    QVERIFY(m_current != nullptr);
    QVERIFY(!m_current->isEmpty());
}

QTEST_GUILESS_MAIN(tst_translationSwitch)
#include "tst_translationSwitch.moc"
