#pragma once

#include "keyButtonLook.h"
#include "keyboardButCustom.h"

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>

// A key of a test layout. Enter (601/602) and the vk 255 keys (701..703) are
// written the way the layout file carries them: "qtDec" 13 or 255 with "keyFlags".
struct TestKey
{
    int qtDec;
    int dec;
    int row = 1;
    QString label = QString();
};

inline QJsonObject testKeyRecord(const TestKey &key, int index)
{
    QJsonObject o;
    o["PosX"] = 10 + (index % 20) * 45;
    o["PosY"] = 75 + key.row * 36;
    o["Width"] = 40;
    o["Height"] = 32;
    o["Dec"] = key.dec;
    o["Character"] = key.label.isEmpty() ? QString::number(key.qtDec) : key.label;
    switch (key.qtDec) {
    case 601:
    case 602:
        o["qtDec"] = 13;
        o["keyFlags"] = key.qtDec == 601 ? 0 : 1;
        break;
    case 701:
    case 702:
    case 703:
        o["qtDec"] = 255;
        o["keyFlags"] = key.qtDec - 701;
        break;
    default:
        o["qtDec"] = key.qtDec;
    }
    return o;
}

// Layout file text for the given keys, each in its row, in list order.
inline QByteArray testLayoutJson(const QList<TestKey> &keys)
{
    QJsonArray rows[7];
    int index = 0;
    for (const TestKey &key : keys)
        rows[qBound(0, key.row, 6)].append(testKeyRecord(key, index++));
    QJsonObject doc;
    for (int r = 0; r < 7; ++r) {
        if (!rows[r].isEmpty())
            doc[QStringLiteral("EveryKeyInfo_Row0%1").arg(r)] = rows[r];
    }
    return QJsonDocument(doc).toJson();
}

// The state a key shows (0..5), or -1 when its style sheet is none of them.
inline int keyStateOf(const keyboardButCustom *button)
{
    if (!button)
        return -2;
    for (int state = 0; state <= 5; ++state) {
        if (button->styleSheet() == keyButtonLook::stateStyleSheet(state))
            return state;
    }
    return -1;
}

inline bool iconShows(const keyboardButCustom *button, const char *resource)
{
    const QImage shown = button->icon().pixmap(15, 15).toImage();
    const QImage wanted = QIcon(QString::fromLatin1(resource)).pixmap(15, 15).toImage();
    return !wanted.isNull() && shown == wanted;
}

inline bool lockShowsOn(const keyboardButCustom *button)
{
    return iconShows(button, ":/images/StatusOpen.png");
}

inline bool lockShowsOff(const keyboardButCustom *button)
{
    return iconShows(button, ":/images/StatusClose.png");
}
