// The layout reader, driven the way the keyboard page drives it: file bytes in,
// key records out. The shipped layout is checked against what the rest of the
// tool looks for in it.
#include "keyLayoutParser.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>
#include <climits>

namespace {

const QString dataDir = QStringLiteral(TKT_LAYOUT_DATA_DIR);
const QString shippedLayout = QStringLiteral(TKT_SHIPPED_LAYOUT);

QString describe(const KeyRecord &k)
{
    return QStringLiteral("r%1 %2,%3 %4x%5 qt%6 dec%7 '%8'")
        .arg(k.row)
        .arg(k.x)
        .arg(k.y)
        .arg(k.width)
        .arg(k.height)
        .arg(k.qtDec)
        .arg(k.keyDec)
        .arg(k.label);
}

QStringList describe(const KeyLayout &layout)
{
    QStringList out;
    for (const KeyRecord &k : layout.keys)
        out << describe(k);
    return out;
}

// A record at 10,20 sized 30x40 with the given identity members and extras.
QByteArray key(const QByteArray &rest)
{
    return R"({"PosX": 10, "PosY": 20, "Width": 30, "Height": 40, )" + rest + "}";
}

QByteArray doc(int row, const QByteArray &elements)
{
    return "{\"EveryKeyInfo_Row0" + QByteArray::number(row) + "\": [" + elements + "]}";
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

KeyLayout loadFile(const QString &path, bool *read)
{
    QByteArray text;
    *read = readKeyLayoutFile(path, &text);
    return *read ? parseKeyLayout(text.constData()) : KeyLayout();
}

// What the keyboard page may rely on from any input, however bad.
void checkInvariants(const KeyLayout &layout)
{
    const int limit = keyLayoutLimits::maxCoordinate;
    QVERIFY(layout.loaded || layout.keys.empty());
    QVERIFY(layout.keys.size() <= size_t(keyLayoutLimits::maxKeys));
    int previousRow = 0;
    for (const KeyRecord &k : layout.keys) {
        QVERIFY2(k.x >= -limit && k.x <= limit && k.y >= -limit && k.y <= limit, qPrintable(describe(k)));
        QVERIFY2(k.width >= 0 && k.width <= limit && k.height >= 0 && k.height <= limit, qPrintable(describe(k)));
        QVERIFY2(k.row >= previousRow && k.row <= 6, qPrintable(describe(k)));
        QVERIFY(k.label.size() <= keyLayoutLimits::maxLabelChars);
        previousRow = k.row;
    }
}

struct Rect
{
    int x, y, w, h;
};

} // namespace

class tst_keyLayoutParser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void layoutFile_data();
    void layoutFile();
    void skippedRecordIsLogged();
    void limits_data();
    void limits();

    void readFile_data();
    void readFile();

    void shippedIdentity_data();
    void shippedIdentity();
    void shippedGeometry();

    void fuzzRegressions_data();
    void fuzzRegressions();

private:
    QTemporaryDir m_dir;
    int m_fileCount = 0;
};

void tst_keyLayoutParser::initTestCase()
{
    // Labels are decoded with the local 8-bit codec; pin it so the non-ASCII row means the same everywhere.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    QVERIFY(m_dir.isValid());
}

void tst_keyLayoutParser::layoutFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QStringList>("keys");

    const QString plain = "r1 10,20 30x40 qt65 dec4 'A'";
    const QByteArray plainKey = key(R"("Dec": 4, "qtDec": 65, "Character": "A")");

    QTest::newRow("plain key") << doc(1, plainKey) << true << QStringList{plain};
    QTest::newRow("CR LF line ends, also inside a label")
        << QByteArray("{\r\n\"EveryKeyInfo_Row01\": [\r\n" +
                      key("\"Dec\": 4, \"qtDec\": 65, \"Character\": \"A\r\nB\"") + "\r\n]\r\n}\r\n")
        << true << QStringList{R"(r1 10,20 30x40 qt65 dec4 'A\nB')"};
    QTest::newRow("UTF-8 byte-order mark")
        << QByteArray("\xEF\xBB\xBF" + doc(1, plainKey)) << true << QStringList{plain};
    QTest::newRow("member names in any case")
        << QByteArray(R"({"everykeyinfo_ROW01": [{"posx": 10, "POSY": 20, "width": 30, "HEIGHT": 40, "dec": 4,)"
                      R"( "QTDEC": 65, "character": "A"}]})")
        << true << QStringList{plain};
    QTest::newRow("trailing text after the document ignored")
        << QByteArray(doc(1, plainKey) + " trailing } garbage") << true << QStringList{plain};

    QTest::newRow("Character number") << doc(1, key(R"("Dec": 4, "qtDec": 65, "Character": 5)")) << true
                                      << QStringList{"r1 10,20 30x40 qt65 dec4 '5'"};
    QTest::newRow("Character backslash shows escaped") << doc(1, key(R"("Dec": 4, "qtDec": 65, "Character": "\\")"))
                                                       << true << QStringList{R"(r1 10,20 30x40 qt65 dec4 '\\')"};
    QTest::newRow("Character double quote leaves its escape")
        << doc(1, key(R"("Dec": 4, "qtDec": 65, "Character": "\"")")) << true
        << QStringList{R"(r1 10,20 30x40 qt65 dec4 '\')"};
    QTest::newRow("Character object printed formatted")
        << doc(1, key(R"("Dec": 4, "qtDec": 65, "Character": {"a": 1})")) << true
        << QStringList{"r1 10,20 30x40 qt65 dec4 '{\n\ta:\t1\n}'"};
    QTest::newRow("Character non-ASCII") << doc(1, key("\"Dec\": 4, \"qtDec\": 65, \"Character\": \"\xC2\xA5\""))
                                         << true
                                         << QStringList{QString::fromUtf8("r1 10,20 30x40 qt65 dec4 '\xC2\xA5'")};
    QTest::newRow("Character absent") << doc(1, key(R"("Dec": 4, "qtDec": 65)")) << true
                                      << QStringList{"r1 10,20 30x40 qt65 dec4 ''"};
    QTest::newRow("Dec 52 labelled apostrophe quote") << doc(4, key(R"("Dec": 52, "qtDec": 77, "Character": "x")"))
                                                      << true << QStringList{R"(r4 10,20 30x40 qt77 dec52 '' "')"};
    QTest::newRow("qtDec 222 labelled apostrophe quote") << doc(4, key(R"("Dec": 7, "qtDec": 222, "Character": "x")"))
                                                         << true << QStringList{R"(r4 10,20 30x40 qt222 dec7 '' "')"};

    QTest::newRow("row 7 ignored") << QByteArray(R"({"EveryKeyInfo_Row07": [)" + plainKey +
                                                 R"(], )"
                                                 R"("EveryKeyInfo_Row01": [)" +
                                                 plainKey + "]}")
                                   << true << QStringList{plain};
    {
        // Rows written in reverse and Row03 missing: built in row order, the other six present.
        QByteArray text = "{";
        QStringList expected;
        for (int row = 6; row >= 0; --row) {
            if (row == 3)
                continue;
            text += "\"EveryKeyInfo_Row0" + QByteArray::number(row) + "\": [" +
                    key("\"Dec\": " + QByteArray::number(row) + ", \"qtDec\": 70, \"Character\": \"K\"") + "],";
        }
        text += "\"other\": 1}";
        for (int row = 0; row <= 6; ++row) {
            if (row != 3)
                expected << QStringLiteral("r%1 10,20 30x40 qt70 dec%1 'K'").arg(row);
        }
        QTest::newRow("row 3 absent, rows in row order") << text << true << expected;
    }
    QTest::newRow("array order within a row")
        << doc(2, key(R"("Dec": 1, "qtDec": 90, "Character": "Z")") + "," +
                      key(R"("Dec": 2, "qtDec": 65, "Character": "A")"))
        << true << QStringList{"r2 10,20 30x40 qt90 dec1 'Z'", "r2 10,20 30x40 qt65 dec2 'A'"};

    const struct
    {
        const char *name;
        int qtDec;
        const char *flags; // nullptr: no keyFlags member
        int identity;      // 0: record skipped
    } variants[] = {
        {"Enter keyFlags 0 is main Enter", 13, "0", 601},     {"Enter keyFlags 1 is keypad Enter", 13, "1", 602},
        {"Enter keyFlags 2 is keypad Enter", 13, "2", 602},   {"Enter keyFlags as string reads 0", 13, "\"1\"", 601},
        {"Enter without keyFlags skipped", 13, nullptr, 0},   {"vk 255 keyFlags 0 is Yen", 255, "0", 701},
        {"vk 255 keyFlags 1 is Henkan", 255, "1", 702},       {"vk 255 keyFlags 2 is Katakana", 255, "2", 703},
        {"vk 255 keyFlags 5 is Katakana", 255, "5", 703},     {"vk 255 without keyFlags skipped", 255, nullptr, 0},
        {"keyFlags of an ordinary key ignored", 65, "1", 65},
    };
    for (const auto &v : variants) {
        QByteArray rest = "\"Dec\": 40, \"qtDec\": " + QByteArray::number(v.qtDec) + ", \"Character\": \"E\"";
        if (v.flags)
            rest += ", \"keyFlags\": " + QByteArray(v.flags);
        QStringList expected;
        if (v.identity)
            expected << QStringLiteral("r5 10,20 30x40 qt%1 dec40 'E'").arg(v.identity);
        expected << "r5 10,20 30x40 qt66 dec5 'B'";
        QTest::newRow(v.name) << doc(5, key(rest) + "," + key(R"("Dec": 5, "qtDec": 66, "Character": "B")")) << true
                              << expected;
    }

    QTest::newRow("PosX as string reads 0")
        << QByteArray(R"({"EveryKeyInfo_Row01": [{"PosX": "10", "PosY": 20, "Width": 30, "Height": 40, "Dec": 4,)"
                      R"( "qtDec": 65, "Character": "A"}]})")
        << true << QStringList{"r1 0,20 30x40 qt65 dec4 'A'"};
    QTest::newRow("true reads 1, other types 0")
        << QByteArray(R"({"EveryKeyInfo_Row01": [{"PosX": true, "PosY": false, "Width": null, "Height": [40],)"
                      R"( "Dec": {"a": 4}, "qtDec": 65}]})")
        << true << QStringList{"r1 1,0 0x0 qt65 dec0 ''"};
    QTest::newRow("fractions truncated toward zero")
        << QByteArray(R"({"EveryKeyInfo_Row01": [{"PosX": 10.9, "PosY": -3.7, "Width": 30.5, "Height": 4e1,)"
                      R"( "Dec": 4.99, "qtDec": 65}]})")
        << true << QStringList{"r1 10,-3 30x40 qt65 dec4 ''"};
    QTest::newRow("huge numbers clamped")
        << QByteArray(R"({"EveryKeyInfo_Row01": [{"PosX": 1e12, "PosY": -1e400, "Width": 3000000000,)"
                      R"( "Height": -5, "Dec": 1e12, "qtDec": -2147483649}]})")
        << true << QStringList{QStringLiteral("r1 4096,-4096 4096x0 qt%1 dec%2 ''").arg(INT_MIN).arg(INT_MAX)};

    QTest::newRow("empty file") << QByteArray() << false << QStringList();
    QTest::newRow("empty object") << QByteArray("{}") << true << QStringList();
    QTest::newRow("top-level array") << QByteArray("[" + doc(1, plainKey) + "]") << true << QStringList();
    QTest::newRow("invalid JSON") << QByteArray(R"({"EveryKeyInfo_Row01": [)" + plainKey) << false << QStringList();
    QTest::newRow("row that is not an array") << QByteArray(R"({"EveryKeyInfo_Row01": 5})") << true << QStringList();
    QTest::newRow("elements that are not records skipped")
        << doc(1, "5, \"x\", null, [], {}, " + plainKey) << true << QStringList{plain};

    for (const char *member : {"PosX", "PosY", "Width", "Height", "Dec", "qtDec"}) {
        QByteArray record = R"({"PosX": 1, "PosY": 2, "Width": 3, "Height": 4, "Dec": 5, "qtDec": 6})";
        record.replace("\"" + QByteArray(member) + "\"", "\"Unused\"");
        QTest::newRow(qPrintable(QStringLiteral("record lacking %1 skipped").arg(member)))
            << doc(3, record + "," + plainKey) << true << QStringList{"r3 10,20 30x40 qt65 dec4 'A'"};
    }
}

// Each snippet goes through a real file, as the page reads it.
void tst_keyLayoutParser::layoutFile()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, loaded);
    QFETCH(QStringList, keys);

    const QString path = m_dir.filePath(QStringLiteral("layout%1.config").arg(++m_fileCount));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    QCOMPARE(out.write(file), qint64(file.size()));
    out.close();

    bool read = false;
    const KeyLayout layout = loadFile(path, &read);
    QVERIFY(read);
    QCOMPARE(layout.loaded, loaded);
    QCOMPARE(describe(layout), keys);
}

void tst_keyLayoutParser::skippedRecordIsLogged()
{
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("row 2 index 1 lacks \"Height\""));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("row 2 index 2 \\(qtDec 13\\) lacks \"keyFlags\""));
    const QByteArray text = doc(2, key(R"("Dec": 1, "qtDec": 65)") +
                                       R"(, {"PosX": 1, "PosY": 2, "Width": 3,)"
                                       R"( "Dec": 4, "qtDec": 66}, )" +
                                       key(R"("Dec": 40, "qtDec": 13)"));
    QCOMPARE(parseKeyLayout(text.constData()).keys.size(), size_t(1));
}

void tst_keyLayoutParser::limits_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("keyCount");
    QTest::addColumn<QString>("lastLabel");

    const auto many = [](int count) {
        QByteArray elements;
        for (int i = 0; i < count; ++i)
            elements += (i ? "," : "") + key("\"Dec\": 4, \"qtDec\": 65, \"Character\": " + QByteArray::number(i));
        return doc(1, elements);
    };
    const int maxKeys = keyLayoutLimits::maxKeys;
    QTest::newRow("key limit reached") << many(maxKeys) << true << maxKeys << QString::number(maxKeys - 1);
    QTest::newRow("keys beyond the limit not built")
        << many(maxKeys + 5) << true << maxKeys << QString::number(maxKeys - 1);

    const auto withLabel = [](const QByteArray &label) {
        return doc(1, key("\"Dec\": 4, \"qtDec\": 65, \"Character\": \"" + label + "\""));
    };
    const int maxLabel = keyLayoutLimits::maxLabelChars;
    QTest::newRow("label at the limit kept")
        << withLabel(QByteArray(maxLabel, 'x')) << true << 1 << QString(maxLabel, 'x');
    QTest::newRow("long label cut") << withLabel(QByteArray(100000, 'x')) << true << 1 << QString(maxLabel, 'x');
    // U+1F600 is two UTF-16 units; a cut between them would leave half a character.
    QTest::newRow("label cut before a split surrogate pair")
        << withLabel(QByteArray(maxLabel - 1, 'x') + "\xF0\x9F\x98\x80") << true << 1 << QString(maxLabel - 1, 'x');

    QByteArray padded = doc(1, key(R"("Dec": 4, "qtDec": 65, "Character": "A")"));
    padded += QByteArray(keyLayoutLimits::maxFileBytes - padded.size(), ' ');
    QTest::newRow("text at the size limit parsed") << padded << true << 1 << "A";
    QTest::newRow("text over the size limit refused") << QByteArray(padded + " ") << false << 0 << QString();

    const int depth = 5000;
    QTest::newRow("nesting too deep for the parser")
        << QByteArray(
               doc(1, key(R"("Dec": 4, "qtDec": 65, "Character": )" + QByteArray(depth, '[') + QByteArray(depth, ']'))))
        << false << 0 << QString();
    QTest::newRow("deep nesting the parser accepts")
        << QByteArray(
               doc(1, key(R"("Dec": 4, "qtDec": 65, "Character": )" + QByteArray(900, '[') + QByteArray(900, ']'))))
        << true << 1 << QString();
}

void tst_keyLayoutParser::limits()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, loaded);
    QFETCH(int, keyCount);
    QFETCH(QString, lastLabel);

    const KeyLayout layout = parseKeyLayout(text.constData());
    QCOMPARE(layout.loaded, loaded);
    QCOMPARE(int(layout.keys.size()), keyCount);
    if (keyCount > 0 && !lastLabel.isEmpty())
        QCOMPARE(layout.keys.back().label, lastLabel);
    checkInvariants(layout);
}

void tst_keyLayoutParser::readFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("content"); // written to path first unless null
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("text");

    const QByteArray lf = readAll(dataDir + "/lf.config");
    QVERIFY(!lf.isEmpty());
    const QString tmp = m_dir.path() + "/";

    QTest::newRow("missing file") << tmp + "absent.config" << QByteArray() << false << QByteArray();
    QTest::newRow("directory") << m_dir.path() << QByteArray() << false << QByteArray();
    QTest::newRow("LF fixture") << dataDir + "/lf.config" << QByteArray() << true << lf;
    QTest::newRow("CR LF fixture reads as LF") << dataDir + "/crlf.config" << QByteArray() << true << lf;
    QTest::newRow("BOM kept, CR LF reads as LF")
        << dataDir + "/bom_crlf.config" << QByteArray() << true << QByteArray("\xEF\xBB\xBF" + lf);
    QTest::newRow("lone CR kept") << tmp + "cr.config" << QByteArray("a\rb\r\r\nc") << true << QByteArray("a\rb\r\nc");
    QTest::newRow("file at the size limit") << tmp + "big.config" << QByteArray(keyLayoutLimits::maxFileBytes, ' ')
                                            << true << QByteArray(keyLayoutLimits::maxFileBytes, ' ');
    QTest::newRow("file over the size limit refused")
        << tmp + "huge.config" << QByteArray(keyLayoutLimits::maxFileBytes + 1, ' ') << false << QByteArray();
}

void tst_keyLayoutParser::readFile()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, content);
    QFETCH(bool, ok);
    QFETCH(QByteArray, text);

    if (!content.isNull()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(content), qint64(content.size()));
    }
    QByteArray got("stale");
    QCOMPARE(readKeyLayoutFile(path, &got), ok);
    QCOMPARE(got, text);
}

void tst_keyLayoutParser::shippedIdentity_data()
{
    QTest::addColumn<int>("qtDec");
    QTest::addColumn<int>("keyDec");  // -1: any keyboard usage
    QTest::addColumn<bool>("matrix"); // rows 1-6, else row 0

    const auto add = [](const QString &name, int qtDec, int keyDec, bool matrix) {
        QTest::newRow(qPrintable(QStringLiteral("%1 (%2)").arg(name).arg(qtDec))) << qtDec << keyDec << matrix;
    };
    add("letter A", 65, 4, true);
    add("main Enter", 601, 40, true);
    add("keypad Enter", 602, 88, true);
    add("ISO key", 226, 100, true);
    add("Ro", 193, 135, true);
    add("Katakana/Hiragana", 703, 136, true);
    add("Yen", 701, 137, true);
    add("Henkan", 702, 138, true);
    add("Muhenkan", 235, 139, true);
    add("Han/Yeong", 2360, 144, true);
    add("Hanja", 2350, 145, true);
    add("apostrophe", 222, 52, true);
    add("backslash", 220, 49, true);
    const int modifiers[][2] = {{162, 224}, {160, 225}, {164, 226}, {91, 227},
                                {163, 228}, {161, 229}, {165, 230}, {92, 231}};
    for (const auto &m : modifiers)
        add("modifier", m[0], m[1], true);
    add("Applications", 93, 101, true);
    for (int vk = 96; vk <= 105; ++vk)
        add("keypad digit", vk, vk == 96 ? 98 : vk - 97 + 89, true);
    for (int vk : {110, 106, 107, 109, 111, 144})
        add("keypad", vk, -1, true);
    for (int vk : {45, 46, 36, 35, 33, 34, 37, 38, 39, 40, 44, 145, 19})
        add("navigation and system", vk, -1, true);
    for (int f = 0; f < 12; ++f)
        add(QStringLiteral("F%1").arg(f + 1), 112 + f, 58 + f, true);
    add("device-only key", 1010, -1, true);
    for (int vk = 166; vk <= 183; ++vk)
        add("media or browser", vk, -1, false);
    for (int vk = -14; vk <= -11; ++vk)
        add("lock indicator", vk, -1, false);
}

void tst_keyLayoutParser::shippedIdentity()
{
    QFETCH(int, qtDec);
    QFETCH(int, keyDec);
    QFETCH(bool, matrix);

    bool read = false;
    const KeyLayout layout = loadFile(shippedLayout, &read);
    QVERIFY(read && layout.loaded);
    const auto it =
        std::find_if(layout.keys.begin(), layout.keys.end(), [qtDec](const KeyRecord &k) { return k.qtDec == qtDec; });
    QVERIFY2(it != layout.keys.end(), "identity missing from the shipped layout");
    QCOMPARE(it->row != 0, matrix);
    if (keyDec >= 0)
        QCOMPARE(it->keyDec, keyDec);
    // Device results name keys by keyboard usage (one byte); keys outside the matrix must never match one.
    if (!matrix)
        QVERIFY2(it->keyDec < 0 || it->keyDec > 255, qPrintable(describe(*it)));
    if (qtDec == 222)
        QCOMPARE(it->label, QStringLiteral("' \""));
}

void tst_keyLayoutParser::shippedGeometry()
{
    bool read = false;
    const KeyLayout layout = loadFile(shippedLayout, &read);
    QVERIFY(read && layout.loaded);
    QVERIFY(layout.keys.size() >= 104);

    QSet<int> identities;
    QSet<int> usages;
    for (size_t i = 0; i < layout.keys.size(); ++i) {
        const KeyRecord &a = layout.keys[i];
        const QByteArray what = describe(a).toUtf8();
        QVERIFY2(a.width > 0 && a.height > 0, what.constData());
        // The backdrop spans x 9..992 and y 70..330; the variant selector starts at y 333.
        QVERIFY2(a.x >= 9 && a.x + a.width <= 992 && a.y >= 70 && a.y + a.height <= 330, what.constData());
        QVERIFY2(!identities.contains(a.qtDec), what.constData());
        QVERIFY2(!usages.contains(a.keyDec), what.constData());
        identities.insert(a.qtDec);
        usages.insert(a.keyDec);
        for (size_t j = i + 1; j < layout.keys.size(); ++j) {
            const KeyRecord &b = layout.keys[j];
            const bool overlap =
                a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
            QVERIFY2(!overlap, qPrintable(describe(a) + " overlaps " + describe(b)));
        }
    }
}

void tst_keyLayoutParser::fuzzRegressions_data()
{
    QTest::addColumn<QString>("path");
    // Fixtures seed the fuzzer; inputs it ever crashed on are kept under fuzz/.
    for (const QString &sub : {QString(), QStringLiteral("fuzz")}) {
        const QDir dir(dataDir + "/" + sub);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(sub.isEmpty() ? name : sub + "/" + name)) << dir.filePath(name);
    }
}

void tst_keyLayoutParser::fuzzRegressions()
{
    QFETCH(QString, path);
    bool read = false;
    const KeyLayout layout = loadFile(path, &read);
    QVERIFY(read);
    checkInvariants(layout);
}

QTEST_GUILESS_MAIN(tst_keyLayoutParser)
#include "tst_keyLayoutParser.moc"
