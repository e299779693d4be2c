#include "keyLayoutParser.h"

#include <QDebug>
#include <QFile>
#include <algorithm>
#include <cjson/cJSON.h>

namespace {

constexpr int rowCount = 7;

// Without these a record cannot be placed or named; "Character" and "keyFlags" are optional.
constexpr const char *requiredMembers[] = {"PosX", "PosY", "Width", "Height", "Dec", "qtDec"};

// Owns the parse tree so that every return path frees it.
struct JsonTree
{
    explicit JsonTree(const char *text) : root(cJSON_Parse(text)) {}
    ~JsonTree() { cJSON_Delete(root); }
    JsonTree(const JsonTree &) = delete;
    JsonTree &operator=(const JsonTree &) = delete;
    cJSON *root;
};

// A bad file can hold a million bad records; the log gets the first few and a count.
class NoticeLog
{
public:
    // Takes a line maker so that the suppressed notices of a huge bad file cost nothing to format.
    template <typename MakeLine> void note(MakeLine makeLine)
    {
        if (m_written < keyLayoutLimits::maxNoticeLines) {
            ++m_written;
            qDebug().noquote() << "----------" << makeLine() << "----------";
        } else {
            ++m_suppressed;
        }
    }
    ~NoticeLog()
    {
        if (m_suppressed > 0)
            qDebug().noquote() << "---------- KeyInfo.config:" << m_suppressed << "more notices not shown ----------";
    }

private:
    int m_written = 0;
    long long m_suppressed = 0;
};

// cJSON has already truncated and clamped a number into valueint.
int integerOf(const cJSON *item)
{
    if (cJSON_IsNumber(item))
        return item->valueint;
    if (cJSON_IsTrue(item))
        return 1;
    return 0;
}

// The label is the JSON text of "Character" without its quotes, so escapes
// stay visible (a backslash shows as two) exactly as the file's authors expect.
QString labelOf(const cJSON *character)
{
    if (!character)
        return QString();
    char *printed = cJSON_Print(character);
    if (!printed)
        return QString();
    QString label = QString::fromLocal8Bit(printed);
    cJSON_free(printed);
    label.remove(QLatin1Char('"'));
    if (label.size() > keyLayoutLimits::maxLabelChars) {
        int cut = keyLayoutLimits::maxLabelChars;
        if (label.at(cut - 1).isHighSurrogate())
            --cut;
        label.truncate(cut);
    }
    return label;
}

int clampInt(int value, int low, int high)
{
    return std::max(low, std::min(value, high));
}

// Returns false when the record has to be skipped; says why in the log.
bool buildRecord(const cJSON *element, int row, int index, NoticeLog &log, KeyRecord *out)
{
    for (const char *name : requiredMembers) {
        if (!cJSON_GetObjectItem(element, name)) {
            log.note([&] {
                return QStringLiteral("KeyInfo.config: row %1 index %2 lacks \"%3\", key skipped")
                    .arg(row)
                    .arg(index)
                    .arg(QLatin1String(name));
            });
            return false;
        }
    }
    const int x = integerOf(cJSON_GetObjectItem(element, "PosX"));
    const int y = integerOf(cJSON_GetObjectItem(element, "PosY"));
    const int width = integerOf(cJSON_GetObjectItem(element, "Width"));
    const int height = integerOf(cJSON_GetObjectItem(element, "Height"));
    const int keyDec = integerOf(cJSON_GetObjectItem(element, "Dec"));
    const int qtDec = integerOf(cJSON_GetObjectItem(element, "qtDec"));

    int identity = qtDec;
    if (qtDec == 13 || qtDec == 255) {
        const cJSON *flagsItem = cJSON_GetObjectItem(element, "keyFlags");
        if (!flagsItem) {
            log.note([&] {
                return QStringLiteral("KeyInfo.config: row %1 index %2 (qtDec %3) lacks \"keyFlags\", key skipped")
                    .arg(row)
                    .arg(index)
                    .arg(qtDec);
            });
            return false;
        }
        const int flags = integerOf(flagsItem);
        if (qtDec == 13)
            identity = flags == 0 ? 601 : 602;
        else
            identity = flags == 0 ? 701 : (flags == 1 ? 702 : 703);
    }

    const int limit = keyLayoutLimits::maxCoordinate;
    out->x = clampInt(x, -limit, limit);
    out->y = clampInt(y, -limit, limit);
    out->width = clampInt(width, 0, limit);
    out->height = clampInt(height, 0, limit);
    if (out->x != x || out->y != y || out->width != width || out->height != height) {
        log.note([&] {
            return QStringLiteral(
                       "KeyInfo.config: row %1 index %2 geometry (%3, %4, %5 x %6) clamped to (%7, %8, %9 x %10)")
                .arg(row)
                .arg(index)
                .arg(x)
                .arg(y)
                .arg(width)
                .arg(height)
                .arg(out->x)
                .arg(out->y)
                .arg(out->width)
                .arg(out->height);
        });
    }
    out->qtDec = identity;
    out->keyDec = keyDec;
    // The apostrophe key's printed label would lose its double quote; it gets its legend outright.
    out->label =
        (keyDec == 52 || qtDec == 222) ? QStringLiteral("' \"") : labelOf(cJSON_GetObjectItem(element, "Character"));
    out->row = row;
    return true;
}

} // namespace

KeyLayout parseKeyLayout(const char *text)
{
    KeyLayout layout;
    if (!text)
        return layout;
    if (qstrnlen(text, keyLayoutLimits::maxFileBytes + 1) > uint(keyLayoutLimits::maxFileBytes)) {
        qDebug().noquote() << "---------- KeyInfo.config: text larger than" << keyLayoutLimits::maxFileBytes
                           << "bytes refused ----------";
        return layout;
    }

    JsonTree tree(text);
    if (!tree.root)
        return layout;
    layout.loaded = true;

    NoticeLog log;
    for (int row = 0; row < rowCount; ++row) {
        const QByteArray rowName = QByteArrayLiteral("EveryKeyInfo_Row0") + QByteArray::number(row);
        const cJSON *rowItem = cJSON_GetObjectItem(tree.root, rowName.constData());
        if (!rowItem)
            continue;
        // Walking the sibling chain keeps a long row linear; indexed access would rescan it per element.
        int index = 0;
        for (const cJSON *element = rowItem->child; element; element = element->next, ++index) {
            KeyRecord record;
            if (!buildRecord(element, row, index, log, &record))
                continue;
            if (layout.keys.size() >= size_t(keyLayoutLimits::maxKeys)) {
                qDebug().noquote() << "---------- KeyInfo.config: more than" << keyLayoutLimits::maxKeys
                                   << "keys, the rest from row" << row << "index" << index << "is not built ----------";
                return layout;
            }
            layout.keys.push_back(std::move(record));
        }
    }
    return layout;
}

bool readKeyLayoutFile(const QString &path, QByteArray *text)
{
    if (!text)
        return false;
    text->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Read one byte past the limit rather than trust size(): pipes and special files report 0.
    QByteArray bytes = file.read(qint64(keyLayoutLimits::maxFileBytes) + 1);
    if (bytes.size() > keyLayoutLimits::maxFileBytes) {
        qDebug().noquote() << "----------" << path << "is larger than" << keyLayoutLimits::maxFileBytes
                           << "bytes, not read ----------";
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        qDebug().noquote() << "----------" << path << "read error:" << file.errorString() << "----------";
        return false;
    }
    // Text-mode reading on Windows turns CR LF into LF and leaves a lone CR alone; do the same everywhere.
    bytes.replace("\r\n", "\n");
    *text = bytes;
    return true;
}
