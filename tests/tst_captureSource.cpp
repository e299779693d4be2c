#include "captureSource.h"

#include <QtTest>

class tst_captureSource : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("known");

        QTest::newRow("missing: auto") << "" << int(CaptureSource::Auto) << true;
        QTest::newRow("auto") << "auto" << int(CaptureSource::Auto) << true;
        QTest::newRow("device, any case, blanks") << " Device\t" << int(CaptureSource::Device) << true;
        QTest::newRow("display") << "DISPLAY" << int(CaptureSource::Display) << true;
        QTest::newRow("unknown: auto, said") << "x11" << int(CaptureSource::Auto) << false;
        QTest::newRow("a word inside another: unknown") << "devices" << int(CaptureSource::Auto) << false;
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(int, source);
        QFETCH(bool, known);
        bool wasKnown = !known;
        QCOMPARE(int(parseCaptureSource(text.toStdString(), &wasKnown)), source);
        QCOMPARE(wasKnown, known);
    }
};

QTEST_GUILESS_MAIN(tst_captureSource)
#include "tst_captureSource.moc"
