#include "embedded/TsqlDialect.h"

#include "engine/RowSet.h"

#include <QDateTime>
#include <QRegularExpression>

namespace qor::tsql {

namespace {

std::optional<QTime> parseTime(const QString &text)
{
    if (text.isEmpty())
        return QTime(0, 0);
    static const QRegularExpression re(QStringLiteral(R"(^(\d{1,2}):(\d{2})(?::(\d{2})(?:[.:](\d{1,3})\d*)?)?$)"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int ms = m.captured(4).isEmpty() ? 0 : m.captured(4).leftJustified(3, u'0').toInt();
    const QTime time(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), ms);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

std::optional<QDateTime> combine(int year, int month, int day, const QString &timeText)
{
    // The server's datetime starts in 1753.
    if (year < 1753 || year > 9999)
        return std::nullopt;
    const QDate date(year, month, day);
    const auto time = parseTime(timeText);
    if (!date.isValid() || !time)
        return std::nullopt;
    return QDateTime(date, *time);
}

} // namespace

QString castDateLiterals(const QString &statement)
{
    static const QRegularExpression cast(QStringLiteral(R"(\bCAST\s*\(\s*'(\d{8})'\s+AS\s+datetime\s*\))"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (!statement.contains(QLatin1String("cast"), Qt::CaseInsensitive))
        return statement;
    QString out;
    qsizetype from = 0;
    for (auto it = cast.globalMatch(statement); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const auto day = parseDateTime(m.captured(1));
        if (!day)
            continue; // the server's conversion error comes when it runs
        out += QStringView(statement).mid(from, m.capturedStart() - from);
        out += u'\'' + RowSet::dateTimeToStored(*day) + u'\'';
        from = m.capturedEnd();
    }
    out += QStringView(statement).mid(from);
    return out;
}

std::optional<QDateTime> parseDateTime(const QString &input, const QString &dateFormat)
{
    const QString text = input.trimmed();
    static const QRegularExpression compact(QStringLiteral(R"(^(\d{4})(\d{2})(\d{2})(?:\s+(.*))?$)"));
    static const QRegularExpression iso(QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})(?:[ T](.*))?$)"));
    static const QRegularExpression separated(QStringLiteral(R"(^(\d{1,4})[./-](\d{1,2})[./-](\d{1,4})(?:\s+(.*))?$)"));

    if (const auto m = compact.match(text); m.hasMatch())
        return combine(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4));
    if (const auto m = iso.match(text); m.hasMatch())
        return combine(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4));
    if (const auto m = separated.match(text); m.hasMatch()) {
        int day = 0, month = 0, year = 0;
        for (int k = 0; k < 3; ++k) {
            const int value = m.captured(k + 1).toInt();
            switch (dateFormat.at(k).unicode()) {
            case 'd': day = value; break;
            case 'm': month = value; break;
            default: year = value; break;
            }
        }
        if (year < 100)
            year += year < 50 ? 2000 : 1900;
        return combine(year, month, day, m.captured(4));
    }
    return std::nullopt;
}

std::optional<QString> serverSyntaxError(const QByteArray &sqliteMessage, const QString &statement)
{
    static const QByteArray nearStart = "near \"";
    static const QByteArray nearEnd = "\": syntax error";
    if (sqliteMessage == "incomplete input")
        return syntaxErrorNear(lastToken(statement));
    if (sqliteMessage.startsWith(nearStart) && sqliteMessage.endsWith(nearEnd))
        return syntaxErrorNear(QString::fromUtf8(
            sqliteMessage.mid(nearStart.size(), sqliteMessage.size() - nearStart.size() - nearEnd.size())));
    return std::nullopt;
}

} // namespace qor::tsql
