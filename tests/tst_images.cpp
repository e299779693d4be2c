// The compiled-in pictures and the icon font: each one must be present in the
// executable and decode as what the window and the keys expect of it.
#include <QFile>
#include <QFontDatabase>
#include <QImageReader>
#include <QMovie>
#include <QtTest>

class tst_images : public QObject
{
    Q_OBJECT

private slots:
    void pictureDecodes_data();
    void pictureDecodes();
    void animationHasFrames();
    void fontRegistersAsFontAwesome();
};

void tst_images::pictureDecodes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("minImages");

    QTest::newRow("window icon") << ":/images/Keyboard.png" << QByteArray("png") << 1;
    QTest::newRow("maker icon is a multi-size ICO") << ":/images/app.ico" << QByteArray("ico") << 2;
    QTest::newRow("light button off") << ":/images/TestClose.png" << QByteArray("png") << 1;
    QTest::newRow("light button on") << ":/images/TestOpen.png" << QByteArray("png") << 1;
    QTest::newRow("lock indicator on") << ":/images/StatusOpen.png" << QByteArray("png") << 1;
    QTest::newRow("lock indicator off") << ":/images/StatusClose.png" << QByteArray("png") << 1;
    QTest::newRow("production animation") << ":/images/Gif_2.gif" << QByteArray("gif") << 2;
}

void tst_images::pictureDecodes()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(int, minImages);

    QVERIFY2(QFile::exists(path), qPrintable(path));
    QImageReader reader(path);
    // The content decides the format, not the file name.
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), format);
    QVERIFY(reader.imageCount() >= minImages);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QVERIFY(image.width() >= 15 && image.height() >= 15);
}

void tst_images::animationHasFrames()
{
    QMovie movie(":/images/Gif_2.gif");
    QVERIFY(movie.isValid());
    QVERIFY(movie.frameCount() > 1);
    // The label shows it for as long as the key test runs, so it must not stop.
    QImageReader reader(":/images/Gif_2.gif");
    QCOMPARE(reader.loopCount(), -1);
}

void tst_images::fontRegistersAsFontAwesome()
{
    QVERIFY(QFile::exists(":/images/fontawesome-webfont.ttf"));
    const int id = QFontDatabase::addApplicationFont(":/images/fontawesome-webfont.ttf");
    QVERIFY(id >= 0);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    QVERIFY(!families.isEmpty());
    QCOMPARE(families.first(), QString("FontAwesome"));
}

QTEST_MAIN(tst_images)
#include "tst_images.moc"
