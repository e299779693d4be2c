// The shipped catalogues: each must load by its file name and cover every
// operator-visible text of the window, the keyboard page and the key button;
// the English one must leave no Chinese on the screen.
#include "ui_mainPageDia.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTranslator>
#include <QtTest>

namespace {
bool hasChinese(const QString &text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        // CJK ideographs and the full-width punctuation that comes with them.
        if ((u >= 0x3000 && u <= 0x303f) || (u >= 0x4e00 && u <= 0x9fff) || (u >= 0xff00 && u <= 0xffef))
            return true;
    }
    return false;
}

// Every text the form shows: labels, buttons, line edits and the title.
QStringList formTexts(const QDialog &dialog)
{
    QStringList texts{dialog.windowTitle()};
    for (const QLabel *l : dialog.findChildren<QLabel *>())
        texts << l->text();
    for (const QAbstractButton *b : dialog.findChildren<QAbstractButton *>())
        texts << b->text();
    for (const QLineEdit *e : dialog.findChildren<QLineEdit *>())
        texts << e->text();
    texts.removeAll(QString());
    return texts;
}

QString catalogue(const QString &name)
{
    return QString(TKT_TRANSLATION_DIR) + "/" + name + ".qm";
}
} // namespace

class tst_translationCatalogs : public QObject
{
    Q_OBJECT

private slots:
    void everyFormTextIsCovered_data();
    void everyFormTextIsCovered();
    void runTimeTextIsCovered_data();
    void runTimeTextIsCovered();
    void englishFormHasNoChinese();
};

void tst_translationCatalogs::everyFormTextIsCovered_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("English") << "English";
    QTest::newRow("Zh_SM") << "Zh_SM";
}

void tst_translationCatalogs::everyFormTextIsCovered()
{
    QFETCH(QString, name);
    QTranslator translator;
    QVERIFY2(translator.load(catalogue(name)), qPrintable(catalogue(name)));

    // The source texts are what the form shows with no translator installed.
    QDialog dialog;
    Ui::mainPageDia ui;
    ui.setupUi(&dialog);
    const QStringList sources = formTexts(dialog);
    QVERIFY(sources.size() > 40);
    for (const QString &source : sources) {
        const QString translated = translator.translate("mainPageDia", source.toUtf8().constData());
        QVERIFY2(!translated.isEmpty(), qPrintable(name + " lacks \"" + source + "\""));
    }
}

void tst_translationCatalogs::runTimeTextIsCovered_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");

    const QList<QPair<QByteArray, QByteArray>> texts = {
        {"mainPageDia", "Tavrin Keyboard Test"},
        {"mainPageDia", "Default"},
        {"mainPageDia", "Connect success"},
        {"mainPageDia", "Connect failed"},
        {"mainPageDia", "Disconnect"},
        {"mainPageDia", "Magnetic already calibrated"},
        {"mainPageDia", "Magnetic axis not calibrated"},
        {"mainPageDia", "Production Successful"},
        {"mainPageDia", "Production Failed"},
        {"keyboardPage", "Form"},
        {"keyboardPage", "(Black means no such key)"},
        {"keyboardPage", "Chinese"},
        {"keyboardPage", "Korean/English"},
        {"keyboardButCustom", "Chinese"},
        {"keyboardButCustom", "Korean/English"},
        {"VerdictBar", "Serial:"},
        {"VerdictBar", "Scan the serial, then plug the keyboard in"},
        {"VerdictBar", "Plug a keyboard in"},
        {"VerdictBar", "PASS"},
        {"VerdictBar", "FAIL"},
        {"VerdictBar", "Testing"},
        {"VerdictBar", "%1 / %2 keys"},
        {"VerdictBar", "%1 never pressed"},
        {"VerdictBar", "%1 and %2 more"},
        {"VerdictBar", "no keys to test"},
        {"VerdictBar", "%1 chattered (%2 ms)"},
        {"VerdictBar", "key check: 1 key failed"},
        {"VerdictBar", "key check: %1 keys failed"},
        {"VerdictBar", "calibration failed"},
        {"VerdictBar", "firmware not answering"},
        {"VerdictBar", "no serial"},
        {"VerdictBar", "at most %1 keys held at once (want %2)"},
        {"VerdictBar", "key check not run"},
        {"VerdictBar", "calibration not run"},
        {"VerdictBar", "calibration not finished"},
        {"VerdictBar", "Settings: %1 not understood"},
        {"VerdictBar", "keys not taken from the unit"},
        {"VerdictBar", "%1 not on the layout"},
        {"VerdictBar", "row %1 column %2"},
        {"ResultsView", "Results"},
        {"ResultsView", "Today"},
        {"ResultsView", "Last 7 days"},
        {"ResultsView", "Show"},
        {"ResultsView", "From"},
        {"ResultsView", "to"},
        {"ResultsView", "Units tested"},
        {"ResultsView", "Serials"},
        {"ResultsView", "First-pass yield"},
        {"ResultsView", "Final yield"},
        {"ResultsView", "Retests"},
        {"ResultsView", "Incomplete"},
        {"ResultsView", "Why units did not pass"},
        {"ResultsView",
         "Units failed per key: chattered, key check, calibration, never pressed (white: none, red: the most)"},
        {"ResultsView", "%1: reading the store ..."},
        {"ResultsView", "%1: the store cannot be read: %2"},
        {"ResultsView", "%1, this station"},
        {"StationTools", "Operator:"},
        {"StationTools", "(none)"},
        {"StationTools", "Results"},
        {"ParetoBars", "No unit failed."},
        {"figuresText", "key chattered"},
        {"figuresText", "key check failed"},
        {"figuresText", "calibration failed"},
        {"figuresText", "firmware not answering"},
        {"figuresText", "station settings not understood"},
        {"figuresText", "keys not taken from the unit"},
        {"figuresText", "no serial"},
        {"figuresText", "no keys to test"},
        {"figuresText", "keys never pressed"},
        {"figuresText", "too few keys held at once"},
        {"figuresText", "key check not run"},
        {"figuresText", "calibration not run"},
        {"figuresText", "calibration not finished"},
        {"figuresText", "not recorded (older units)"},
        {"figuresText", "chattered"},
        {"figuresText", "key check"},
        {"figuresText", "calibration"},
        {"figuresText", "never pressed"},
    };
    for (const char *name : {"English", "Zh_SM"}) {
        for (const auto &t : texts)
            QTest::addRow("%s %s %s", name, t.first.constData(), t.second.constData()) << name << t.first << t.second;
    }
}

void tst_translationCatalogs::runTimeTextIsCovered()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);

    QTranslator translator;
    QVERIFY(translator.load(catalogue(name)));
    const QString translated = translator.translate(context.constData(), source.constData());
    QVERIFY(!translated.isEmpty());
    // English keeps these English texts; the Chinese catalogue must really
    // translate every word the operator reads (the form name "Form" aside).
    if (name == "English")
        QCOMPARE(translated, QString(source));
    else if (source != "Form")
        QVERIFY2(hasChinese(translated), qPrintable(translated));
    // A translation that lost a place holder would show the raw pattern.
    for (const char *mark : {"%1", "%2"})
        QCOMPARE(translated.contains(QLatin1String(mark)), QString(source).contains(QLatin1String(mark)));
}

void tst_translationCatalogs::englishFormHasNoChinese()
{
    QTranslator translator;
    QVERIFY(translator.load(catalogue("English")));
    QVERIFY(QCoreApplication::installTranslator(&translator));

    QDialog dialog;
    Ui::mainPageDia ui;
    ui.setupUi(&dialog);
    const QStringList texts = formTexts(dialog);
    QCoreApplication::removeTranslator(&translator);

    for (const QString &text : texts)
        QVERIFY2(!hasChinese(text), qPrintable(text));
    QVERIFY(texts.contains("Chinese"));
}

QTEST_MAIN(tst_translationCatalogs)
#include "tst_translationCatalogs.moc"
