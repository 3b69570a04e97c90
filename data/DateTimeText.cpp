#include "data/DateTimeText.h"

#include <QLocale>

namespace qor {

namespace {

// Qt's long time formats may end in a time zone, which the interface never shows.
QString longTimeFormat(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
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

QDateTime parseLocalDateTime(const QString &input)
{
    const QLocale locale;
    const QString text = input.simplified();
    const QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat).remove(QLatin1Char('t')).trimmed();
    for (const QString &timeFormat : {longTimeFormat(locale), shortTime}) {
        const QDateTime value = locale.toDateTime(text, dateFormat + u' ' + timeFormat);
        if (value.isValid())
            return value;
    }
    const QDate date = locale.toDate(text, dateFormat);
    return date.isValid() ? QDateTime(date, QTime(0, 0)) : QDateTime();
}

} // namespace qor
