#include "fontSubstitutes.h"

#include <QFont>
#include <QStringList>

void installFontSubstitutes()
{
    const QStringList alikes = {QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                                QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Droid Sans Fallback")};
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), alikes);
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), alikes.mid(1));
}
