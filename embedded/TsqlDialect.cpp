#include "embedded/TsqlDialect.h"

#include "engine/Error.h"

#include <QDateTime>
#include <QRegularExpression>

namespace qor::tsql {

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_' || c == u'@' || c == u'#';
}

bool isNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

// Length of the quoted run starting at i ('...', [...], "..."), doubled
// closers included; with closed, whether the run ends in its closer.
qsizetype quotedLength(const QString &s, qsizetype i, bool *closed = nullptr)
{
    const QChar open = s[i];
    const QChar close = open == u'[' ? u']' : open;
    qsizetype j = i + 1;
    while (j < s.size()) {
        if (s[j] == close) {
            if (j + 1 < s.size() && s[j + 1] == close) {
                j += 2;
                continue;
            }
            if (closed)
                *closed = true;
            return j + 1 - i;
        }
        ++j;
    }
    if (closed)
        *closed = false;
    return s.size() - i;
}

// Position after the blanks and comments that start at i.
qsizetype skipBlanksAndComments(const QString &s, qsizetype i)
{
    for (;;) {
        while (i < s.size() && s[i].isSpace())
            ++i;
        if (s.mid(i, 2) == u"--") {
            const qsizetype end = s.indexOf(u'\n', i);
            i = end < 0 ? s.size() : end + 1;
        } else if (s.mid(i, 2) == u"/*") {
            const qsizetype end = s.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? s.size() : end + 2;
        } else {
            return i;
        }
    }
}

// Length of a name token at i: bare or bracketed; 0 when none starts there.
qsizetype nameLength(const QString &s, qsizetype i)
{
    if (i >= s.size())
        return 0;
    if (s[i] == u'[' || s[i] == u'"')
        return quotedLength(s, i);
    if (!isNameStart(s[i]))
        return 0;
    qsizetype j = i + 1;
    while (j < s.size() && isNamePart(s[j]))
        ++j;
    return j - i;
}

QString unquoted(QStringView name)
{
    if (name.size() >= 2 && (name.front() == u'[' || name.front() == u'"'))
        return name.mid(1, name.size() - 2).toString();
    return name.toString();
}

bool isDbo(QStringView name)
{
    return unquoted(name).compare(u"dbo", Qt::CaseInsensitive) == 0;
}

} // namespace

QString stripQualifiers(const QString &s)
{
    QString out;
    out.reserve(s.size());
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == u'\'') {
            const qsizetype n = quotedLength(s, i);
            out += QStringView(s).mid(i, n);
            i += n;
            continue;
        }
        if (c == u'-' && i + 1 < s.size() && s[i + 1] == u'-') {
            qsizetype end = s.indexOf(u'\n', i);
            end = end < 0 ? s.size() : end;
            out += QStringView(s).mid(i, end - i);
            i = end;
            continue;
        }
        if (c == u'/' && i + 1 < s.size() && s[i + 1] == u'*') {
            qsizetype end = s.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? s.size() : end + 2;
            out += QStringView(s).mid(i, end - i);
            i = end;
            continue;
        }
        const qsizetype n = nameLength(s, i);
        if (n == 0 || (i > 0 && (isNamePart(s[i - 1]) || s[i - 1] == u'.'))) {
            // Not a name, or the middle of a number or of a longer chain.
            out += c;
            ++i;
            continue;
        }
        // A dotted chain of names: a.b.c
        QList<QStringView> parts{QStringView(s).mid(i, n)};
        qsizetype j = i + n;
        while (j < s.size() && s[j] == u'.') {
            const qsizetype m = nameLength(s, j + 1);
            if (m == 0)
                break;
            parts.append(QStringView(s).mid(j + 1, m));
            j += 1 + m;
        }
        qsizetype drop = 0;
        if (parts.size() >= 2 && isDbo(parts[0]))
            drop = 1;
        else if (parts.size() >= 3 && isDbo(parts[1]))
            drop = 2;
        for (qsizetype k = drop; k < parts.size(); ++k) {
            if (k > drop)
                out += u'.';
            out += parts[k];
        }
        i = j;
    }
    return out;
}

std::optional<Call> parseExec(const QString &statement)
{
    static const QRegularExpression head(
        QStringLiteral(R"(^\s*EXEC(?:UTE)?\s+(?:(?:\[?\w+\]?\.)?\[?dbo\]?\.)?\[?(\w+)\]?)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = head.match(statement);
    if (!match.hasMatch())
        return std::nullopt;

    Call call;
    call.procedure = match.captured(1);
    const QString &s = statement;
    qsizetype i = match.capturedEnd(0);
    const auto skipSpace = [&] {
        while (i < s.size() && s[i].isSpace())
            ++i;
    };
    const auto syntaxError = [&] {
        return Error(QStringLiteral("Incorrect syntax near '%1'.").arg(s.mid(i, 10).trimmed()));
    };

    // The call ends at the end of the text, or at a semicolon followed by
    // nothing but blanks and comments: a statement after it is refused, not
    // skipped.
    const auto atEnd = [&] {
        const qsizetype next = skipBlanksAndComments(s, i);
        if (next >= s.size())
            return true;
        if (s[next] != u';') {
            i = next;
            return false;
        }
        i = skipBlanksAndComments(s, next + 1);
        if (i < s.size())
            throw syntaxError();
        return true;
    };

    skipSpace();
    if (atEnd())
        return call;
    for (;;) {
        skipSpace();
        if (i < s.size() && (s[i] == u'N' || s[i] == u'n') && i + 1 < s.size() && s[i + 1] == u'\'')
            ++i;
        if (i < s.size() && s[i] == u'\'') {
            bool closed = false;
            const qsizetype n = quotedLength(s, i, &closed);
            if (!closed)
                throw Error(QStringLiteral("Unclosed quotation mark after the character string '%1'.").arg(s.mid(i + 1)));
            call.arguments.append(s.mid(i + 1, n - 2).replace(QStringLiteral("''"), QStringLiteral("'")));
            i += n;
        } else {
            qsizetype j = i;
            while (j < s.size() && (s[j].isLetterOrNumber() || s[j] == u'.' || s[j] == u'-' || s[j] == u'+'))
                ++j;
            const QString word = s.mid(i, j - i);
            if (word.compare(u"NULL", Qt::CaseInsensitive) == 0) {
                call.arguments.append(QVariant());
            } else {
                bool ok = false;
                const qlonglong number = word.toLongLong(&ok);
                if (ok) {
                    call.arguments.append(number);
                } else {
                    const double real = word.toDouble(&ok);
                    if (!ok)
                        throw syntaxError();
                    call.arguments.append(real);
                }
            }
            i = j;
        }
        skipSpace();
        if (atEnd())
            break;
        if (s[i] != u',')
            throw syntaxError();
        ++i;
    }
    return call;
}

std::optional<QString> parseSetDateFormat(const QString &statement)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*SET\s+DATEFORMAT\s+(\w+)\s*;?\s*$)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto match = re.match(statement);
    if (!match.hasMatch())
        return std::nullopt;
    const QString order = match.captured(1).toLower();
    static const QStringList orders{QStringLiteral("dmy"), QStringLiteral("mdy"), QStringLiteral("ymd"),
                                    QStringLiteral("ydm"), QStringLiteral("myd"), QStringLiteral("dym")};
    if (!orders.contains(order))
        throw Error(QStringLiteral("'%1' is an invalid parameter for the SET DATEFORMAT statement.").arg(match.captured(1)));
    return order;
}

QString dateConversionError()
{
    return QStringLiteral("Conversion failed when converting date and/or time from character string.");
}

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

} // namespace qor::tsql
