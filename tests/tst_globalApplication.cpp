#include "GlobalApplication.h"
#include "globalApplicationKeySink.h"

#include <QtTest>

namespace {

const QString ChordLine = QStringLiteral("------------------- Alt + Space ---------------------");
QStringList g_messages;

void captureMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_messages.append(message);
}

} // namespace

class tst_globalApplication : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void keyDelivery_data();
    void keyDelivery();
    void nonWidgetReceiver();

private:
    QtMessageHandler m_previous = nullptr;
};

void tst_globalApplication::init()
{
    g_messages.clear();
    m_previous = qInstallMessageHandler(captureMessage);
}

void tst_globalApplication::cleanup()
{
    qInstallMessageHandler(m_previous);
}

void tst_globalApplication::keyDelivery_data()
{
    QTest::addColumn<QEvent::Type>("type");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("autoRepeat");
    QTest::addColumn<bool>("posted");
    QTest::addColumn<bool>("receiverResult");
    QTest::addColumn<int>("expectedLines");

    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
    const auto press = QEvent::KeyPress;
    const int space = Qt::Key_Space;

    QTest::newRow("ctrl+alt+space") << press << space << ctrlAlt << false << false << true << 1;
    QTest::newRow("ctrl+alt+space auto-repeat") << press << space << ctrlAlt << true << false << true << 1;
    QTest::newRow("ctrl+alt+space ignored by receiver") << press << space << ctrlAlt << false << false << false << 1;
    QTest::newRow("ctrl+alt+space through event loop") << press << space << ctrlAlt << false << true << true << 1;
    QTest::newRow("ctrl+alt+space release") << QEvent::KeyRelease << space << ctrlAlt << false << false << true << 0;
    QTest::newRow("alt+space") << press << space << Qt::KeyboardModifiers(Qt::AltModifier) << false << false << true
                               << 0;
    QTest::newRow("ctrl+space") << press << space << Qt::KeyboardModifiers(Qt::ControlModifier) << false << false
                                << true << 0;
    QTest::newRow("space") << press << space << Qt::KeyboardModifiers() << false << false << true << 0;
    QTest::newRow("ctrl+alt+shift+space")
        << press << space << (ctrlAlt | Qt::ShiftModifier) << false << false << true << 0;
    QTest::newRow("ctrl+alt+meta+space") << press << space << (ctrlAlt | Qt::MetaModifier) << false << false << true
                                         << 0;
    QTest::newRow("ctrl+alt+keypad space")
        << press << space << (ctrlAlt | Qt::KeypadModifier) << false << false << true << 0;
    QTest::newRow("ctrl+alt+A") << press << int(Qt::Key_A) << ctrlAlt << false << false << true << 0;
}

void tst_globalApplication::keyDelivery()
{
    QFETCH(QEvent::Type, type);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, autoRepeat);
    QFETCH(bool, posted);
    QFETCH(bool, receiverResult);
    QFETCH(int, expectedLines);

    GlobalApplicationKeySink sink;
    sink.eventResult = receiverResult;

    if (posted) {
        QCoreApplication::postEvent(&sink, new QKeyEvent(type, key, modifiers, QString(), autoRepeat));
        QCoreApplication::processEvents();
    } else {
        QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
        QCOMPARE(QCoreApplication::sendEvent(&sink, &event), receiverResult);
        QCOMPARE(event.type(), type);
        QCOMPARE(event.key(), key);
        QCOMPARE(event.modifiers(), modifiers);
    }

    QCOMPARE(g_messages.count(ChordLine), expectedLines);
    QCOMPARE(g_messages.size(), expectedLines); // nothing else, and exactly that text

    QCOMPARE(sink.seen.size(), 1);
    QCOMPARE(sink.seen.first().type, type);
    QCOMPARE(sink.seen.first().key, key);
    QCOMPARE(sink.seen.first().modifiers, modifiers);
    QCOMPARE(sink.seen.first().autoRepeat, autoRepeat);
}

void tst_globalApplication::nonWidgetReceiver()
{
    // A plain object does not handle key events: the base delivery answers
    // false, and the override must pass that on while still logging the chord.
    QObject plain;
    QKeyEvent event(QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(QCoreApplication::sendEvent(&plain, &event), false);
    QCOMPARE(g_messages, QStringList{ChordLine});
}

int main(int argc, char *argv[])
{
    GlobalApplication app(argc, argv);
    tst_globalApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_globalApplication.moc"
