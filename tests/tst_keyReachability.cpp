// Every key the verdict wants of a unit under keys=all, for every layout
// shipped in configDir/, every variant and every capture source, must be
// reachable from a key event that source can deliver: pressed, then released,
// on the page. Otherwise a good unit of that variant could never pass.
#include "evdevKeyTranslation.h"
#include "keyEventTranslator.h"
#include "keyLayoutParser.h"
#include "keyboardVariant.h"

#include <QtTest>

#include <set>

namespace {

struct Event
{
    int vkCode, flags, scanCode;
};

// A press and its release as one source delivers them.
using Stroke = std::pair<Event, Event>;

std::vector<Stroke> hookStrokes()
{
    // The hook sees every virtual-key code, plain or extended; 255 comes with
    // the scan code that tells the Japanese keys apart.
    std::vector<Stroke> strokes;
    for (int vk = 1; vk <= 255; ++vk)
        for (int extended : {0, 1})
            for (int scan = 0; scan <= (vk == 255 ? 255 : 0); ++scan)
                strokes.push_back({{vk, extended, scan}, {vk, extended | 0x80, scan}});
    return strokes;
}

// X key codes stop at 255, eight above the evdev codes; the device's own
// nodes give every code the translation knows.
std::vector<Stroke> evdevStrokes(int codeEnd)
{
    std::vector<Stroke> strokes;
    for (int code = 0; code < codeEnd; ++code) {
        for (bool numLock : {false, true}) {
            const WinKeyEvent down = translateEvdevKey(code, true, numLock, false);
            const WinKeyEvent up = translateEvdevKey(code, false, numLock, false);
            if (down.isValid())
                strokes.push_back({{int(down.vkCode), int(down.flags), int(down.scanCode)},
                                   {int(up.vkCode), int(up.flags), int(up.scanCode)}});
        }
    }
    return strokes;
}

std::set<int> reached(const std::vector<Stroke> &strokes, const QList<int> &pageKeys)
{
    std::set<int> keys;
    for (const auto &[press, release] : strokes) {
        const KeyEventAction down =
            translateKeyEvent(press.vkCode, press.flags, press.scanCode, pageKeys.contains(press.vkCode));
        const KeyEventAction up =
            translateKeyEvent(release.vkCode, release.flags, release.scanCode, pageKeys.contains(release.vkCode));
        if (down.kind == KeyEventAction::Press && up.kind == KeyEventAction::Release && down.qtDec == up.qtDec)
            keys.insert(down.qtDec);
    }
    return keys;
}

} // namespace

class tst_keyReachability : public QObject
{
    Q_OBJECT

private slots:
    void everyWantedKeyReachable_data()
    {
        QTest::addColumn<QString>("layoutFile");
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("source");
        const QDir shipped(QStringLiteral(TKT_CONFIG_DIR));
        const QStringList files = shipped.entryList({QStringLiteral("*.config")}, QDir::Files);
        QVERIFY(!files.isEmpty());
        const char *const variants[] = {"US", "UK", "KR", "JP"};
        for (const QString &file : files)
            for (int variant = 0; variant < 4; ++variant)
                for (const char *source : {"hook", "display", "device"})
                    QTest::addRow("%s %s %s", qPrintable(file), variants[variant], source)
                        << shipped.filePath(file) << variant << QString::fromLatin1(source);
    }

    void everyWantedKeyReachable()
    {
        QFETCH(QString, layoutFile);
        QFETCH(int, variant);
        QFETCH(QString, source);
        QByteArray text;
        QVERIFY(readKeyLayoutFile(layoutFile, &text));
        const KeyLayout layout = parseKeyLayout(text.constData());
        QList<int> pageKeys;
        QMap<int, QString> labels;
        for (const KeyRecord &key : layout.keys) {
            pageKeys << key.qtDec;
            labels[key.qtDec] = key.label;
        }
        const std::vector<Stroke> strokes = source == QLatin1String("hook")      ? hookStrokes()
                                            : source == QLatin1String("display") ? evdevStrokes(256 - 8)
                                                                                 : evdevStrokes(EvdevKeyCodeCount);
        const std::set<int> keys = reached(strokes, pageKeys);
        QStringList unreachable;
        for (int qtDec : wantedKeysForVariant(pageKeys, variant)) {
            if (keys.count(qtDec) == 0)
                unreachable << QStringLiteral("%1 (%2)").arg(labels.value(qtDec)).arg(qtDec);
        }
        QVERIFY2(unreachable.isEmpty(), qPrintable(unreachable.join(QStringLiteral(", "))));
    }
};

QTEST_GUILESS_MAIN(tst_keyReachability)
#include "tst_keyReachability.moc"
