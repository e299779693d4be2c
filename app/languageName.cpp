#include "languageName.h"

QString languageName(QLocale::Language language, QLocale::Country country)
{
    switch (language) {
    case QLocale::Chinese:
        return country == QLocale::China ? QStringLiteral("Zh_SM") : QStringLiteral("Zh_TR");
    case QLocale::Japanese:
        return QStringLiteral("Japanese");
    case QLocale::Korean:
        return QStringLiteral("Korean");
    case QLocale::Russian:
        return QStringLiteral("Russian");
    case QLocale::Arabic:
        return QStringLiteral("Arabic");
    default:
        return QStringLiteral("English");
    }
}
