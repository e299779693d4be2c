#include "keyboardIdentity.h"

#include <QStringList>

#include <cstring>

namespace keyboardIdentity {

QString answerText(const unsigned char *report, int length)
{
    if (!report || length <= kTextOffset)
        return QString();
    const int end = length < kReportSize ? length : kReportSize;
    const int available = end - kTextOffset;
    const void *zero = std::memchr(report + kTextOffset, 0, size_t(available));
    const int size = zero ? int(static_cast<const unsigned char *>(zero) - (report + kTextOffset)) : available;
    return QString::fromUtf8(reinterpret_cast<const char *>(report + kTextOffset), size);
}

QString numberedName(int hidNum, const QString &nameText)
{
    return QString::number(hidNum) + QLatin1Char('-') + nameText;
}

bool isNameText(const QString &numberedName)
{
    return !numberedName.contains(QLatin1Char(':'));
}

int monthNumber(const QString &text)
{
    static const char *const names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QString month = text.left(3);
    for (int i = 0; i < 12; ++i)
        if (month == QLatin1String(names[i]))
            return i + 1;
    return 1;
}

QString buildTime(const QString &buildText)
{
    const int comma = buildText.lastIndexOf(QLatin1Char(','));
    const QString date = comma < 0 ? QString() : buildText.left(comma);
    if (comma < 0 || date.size() < 10)
        return buildText.trimmed();
    const QString time = buildText.mid(comma + 1);
    const QString year = date.right(4);
    const QString day = date.mid(4, 2).remove(QLatin1Char(' '));
    return year + QLatin1Char('/') + QString::number(monthNumber(buildText)) + QLatin1Char('/') + day +
           QLatin1Char(' ') + time;
}

Entry makeEntry(const QString &numberedName, const QString &buildText)
{
    const int lastComma = numberedName.lastIndexOf(QLatin1Char(','));
    const QString last = lastComma < 0 ? numberedName : numberedName.mid(lastComma + 1);
    const QString before = lastComma < 0 ? numberedName : numberedName.left(lastComma);
    const int middleComma = before.lastIndexOf(QLatin1Char(','));
    const QString middle = middleComma < 0 ? before : before.mid(middleComma + 1);
    QString head = middleComma < 0 ? before : before.left(middleComma);
    head.remove(QLatin1Char(','));

    Entry entry;
    entry.key = head + QLatin1Char(',') + middle;
    entry.value = last + QLatin1String("---") + buildTime(buildText);
    return entry;
}

} // namespace keyboardIdentity
