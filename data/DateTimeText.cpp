#include "data/DateTimeText.h"

#include <QLocale>
#include <QRegularExpression>

namespace qor {

namespace {

// Qt's long time formats may end in a time zone, which the interface never shows.
QString longTimeFormat(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

// The order of day, month and year in the local short date format, and its separator.
struct DateOrder
{
    int day = 0, month = 1, year = 2; // positions of the three parts
    QChar separator = u'.';
};

DateOrder localDateOrder(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    DateOrder order;
    QList<QChar> parts;
    for (QChar ch : format) {
        if (ch == u'd' || ch == u'M' || ch == u'y') {
            if (parts.isEmpty() || parts.last() != ch)
                parts.append(ch);
        } else if (!ch.isLetter() && !ch.isSpace() && parts.size() == 1) {
            order.separator = ch;
        }
    }
    if (parts.size() == 3) {
        order.day = int(parts.indexOf(u'd'));
        order.month = int(parts.indexOf(u'M'));
        order.year = int(parts.indexOf(u'y'));
    }
    return order;
}

// Two digits name the year within fifty years of today.
int fullYear(int twoDigits, int thisYear)
{
    const int century = thisYear - thisYear % 100;
    int year = century + twoDigits;
    if (year > thisYear + 49)
        year -= 100;
    else if (year < thisYear - 50)
        year += 100;
    return year;
}

QDate parseDate(const QString &text, const QLocale &locale, const QDate &today)
{
    const DateOrder order = localDateOrder(locale);
    const QStringList parts = text.split(order.separator);
    if (parts.size() < 2 || parts.size() > 3)
        return {};
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    for (const QString &part : parts) {
        if (!digits.match(part).hasMatch())
            return {};
    }
    // A missing year is the last part of the local order; only day.month orders allow it.
    int day = 0, month = 0, year = today.year();
    if (parts.size() == 2) {
        if (order.year != 2)
            return {};
        day = parts[order.day].toInt();
        month = parts[order.month].toInt();
    } else {
        const QString &y = parts[order.year];
        if (parts[order.day].size() > 2 || parts[order.month].size() > 2 || (y.size() != 2 && y.size() != 4))
            return {};
        day = parts[order.day].toInt();
        month = parts[order.month].toInt();
        year = y.size() == 2 ? fullYear(y.toInt(), today.year()) : y.toInt();
    }
    const QDate date(year, month, day);
    return date.isValid() ? date : QDate();
}

QTime parseTime(const QString &text)
{
    static const QRegularExpression time(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"));
    const QRegularExpressionMatch m = time.match(text);
    if (!m.hasMatch())
        return {};
    const QTime value(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).isEmpty() ? 0 : m.captured(3).toInt());
    return value.isValid() ? value : QTime();
}

} // namespace

QString localDateTimeText(const QDateTime &value)
{
    const QLocale locale;
    QString text = locale.toString(value.date(), QLocale::ShortFormat);
    if (value.time() != QTime(0, 0))
        text += u' ' + locale.toString(value.time(), longTimeFormat(locale));
    return text;
}

QDateTime parseLocalDateTime(const QString &input, const QDate &today)
{
    const QLocale locale;
    const QStringList words = input.simplified().split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty() || words.size() > 2)
        return {};
    const QDate date = parseDate(words[0], locale, today);
    if (!date.isValid())
        return {};
    if (words.size() == 1)
        return QDateTime(date, QTime(0, 0));
    const QTime time = parseTime(words[1]);
    return time.isValid() ? QDateTime(date, time) : QDateTime();
}

} // namespace qor
