#include "sheets/CellDates.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace qor {

namespace {

// The last day either system holds: 31 December 9999.
constexpr double LastSerial = 2958465;

int fullYear(int year, int digits, const QDate &today)
{
    if (digits > 2)
        return year;
    // Within fifty years of today, before or after.
    int full = today.year() / 100 * 100 + year;
    if (full > today.year() + 50)
        full -= 100;
    else if (full <= today.year() - 50)
        full += 100;
    return full;
}

// The month by its Russian name, any case, in its nominative or genitive
// form or shortened ("сент.", "янв"); 0 when none.
int monthNamed(const QString &word)
{
    static const QStringList stems{
        QStringLiteral("янв"), QStringLiteral("фев"), QStringLiteral("мар"), QStringLiteral("апр"),
        QStringLiteral("ма"),  QStringLiteral("июн"), QStringLiteral("июл"), QStringLiteral("авг"),
        QStringLiteral("сен"), QStringLiteral("окт"), QStringLiteral("ноя"), QStringLiteral("дек"),
    };
    const QString lower = word.toLower();
    for (int month = 0; month < stems.size(); ++month) {
        if (lower.startsWith(stems[month]) && (month != 4 || lower == u"май" || lower == u"мая"))
            return month + 1;
    }
    return 0;
}

} // namespace

QDate dateOfSerial(double days, DateSystem system)
{
    if (!std::isfinite(days))
        return {};
    const double whole = std::floor(days);
    if (system == DateSystem::Since1904)
        return whole < 0 || whole > LastSerial - 1462 ? QDate() : QDate(1904, 1, 1).addDays(qint64(whole));
    if (whole < 1 || whole > LastSerial || whole == 60)
        return {};
    // Up to day 59 the count starts a day later: day 60 is a day that never was.
    return whole < 60 ? QDate(1899, 12, 31).addDays(qint64(whole)) : QDate(1899, 12, 30).addDays(qint64(whole));
}

QDate dateOfText(const QString &input, const QDate &today)
{
    const QString text = input.simplified();
    static const QRegularExpression numeric(QStringLiteral(
        R"(^(\d{1,2})[./-](\d{1,2})[./-](\d{2}|\d{4})(?:\s*г\.?)?(?:[ T]\d{1,2}:\d{2}(?::\d{2}(?:[.,]\d+)?)?)?$)"));
    static const QRegularExpression iso(
        QStringLiteral(R"(^(\d{4})[-./](\d{1,2})[-./](\d{1,2})(?:[ T]\d{1,2}:\d{2}(?::\d{2}(?:[.,]\d+)?)?)?$)"));
    static const QRegularExpression named(
        QStringLiteral(R"(^(\d{1,2})\s+([А-Яа-яЁё]+)\.?\s+(\d{4})(?:\s*г(?:ода|\.)?)?$)"));
    if (const auto m = numeric.match(text); m.hasMatch()) {
        const QString year = m.captured(3);
        return QDate(fullYear(year.toInt(), int(year.size()), today), m.captured(2).toInt(), m.captured(1).toInt());
    }
    if (const auto m = iso.match(text); m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (const auto m = named.match(text); m.hasMatch()) {
        const int month = monthNamed(m.captured(2));
        return month == 0 ? QDate() : QDate(m.captured(3).toInt(), month, m.captured(1).toInt());
    }
    return {};
}

} // namespace qor
