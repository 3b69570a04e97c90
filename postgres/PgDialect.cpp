#include "postgres/PgDialect.h"

#include "engine/Error.h"
#include "engine/TsqlText.h"

namespace qor::pg {

namespace {

bool isWord(QStringView token, const char *word)
{
    return token.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

QString exactlyQuoted(const QString &name)
{
    QString doubled = name;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString quoted(QStringView name)
{
    return exactlyQuoted(name.toString().toLower());
}

// SET DATEFORMAT's orders that DateStyle has.
QString dateStyleOf(const QString &order)
{
    if (order == u"dmy")
        return QStringLiteral("ISO, DMY");
    if (order == u"mdy")
        return QStringLiteral("ISO, MDY");
    if (order == u"ymd")
        return QStringLiteral("ISO, YMD");
    throw Error(QStringLiteral("The date order '%1' has no counterpart on PostgreSQL, which reads dmy, mdy and ymd.")
                    .arg(order));
}

// The name a bracketed or double-quoted token holds, its doubled closers single.
QString quotedNameIn(QStringView token)
{
    const QString closer = token.front() == u'[' ? QStringLiteral("]") : QStringLiteral("\"");
    return tsql::unquotedName(token).replace(closer + closer, closer);
}

Statement call(const tsql::Call &exec)
{
    Statement statement;
    statement.procedure = exec.procedure;
    QStringList marks;
    for (qsizetype i = 0; i < exec.arguments.size(); ++i)
        marks.append(QStringLiteral("$%1").arg(i + 1));
    statement.text =
        QStringLiteral("SELECT * FROM %1(%2)").arg(quoted(exec.procedure), marks.join(QStringLiteral(", ")));
    statement.parameters = exec.arguments;
    return statement;
}

} // namespace

Statement translate(const QString &input)
{
    if (input.contains(QChar(0)))
        throw Error(tsql::nulCharacterError());
    if (const auto exec = tsql::parseExec(input))
        return call(*exec);
    if (const auto order = tsql::parseSetDateFormat(input))
        return {QStringLiteral("SET DateStyle = '%1'").arg(dateStyleOf(*order)), {}, {}};

    const QString s = tsql::stripQualifiers(input);
    QString out;
    out.reserve(s.size() + 16);
    QStringView previous; // the last token, blanks and comments aside
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype start = tsql::skipBlanksAndComments(s, i);
        out += QStringView(s).mid(i, start - i);
        if (start >= s.size())
            break;
        const qsizetype length = tsql::tokenLength(s, start);
        const QStringView token = QStringView(s).mid(start, length);
        i = start + length;
        const QChar first = token.front();
        if (first == u'[' || first == u'"') {
            out += quoted(quotedNameIn(token));
        } else if ((token == u"N" || token == u"n") && i < s.size() && s[i] == u'\'') {
            // N'text': the server's national text; every text is Unicode here.
        } else if (isWord(token, "datetime") && isWord(previous, "AS")) {
            out += QStringLiteral("timestamp(0)");
        } else {
            out += token;
        }
        previous = token;
    }
    return {out, {}, {}};
}

QString tokenAt(const QString &statement, qsizetype position)
{
    const qsizetype start = tsql::skipBlanksAndComments(statement, std::max<qsizetype>(0, position));
    if (start >= statement.size())
        return tsql::unquotedName(tsql::lastToken(statement));
    return tsql::unquotedName(QStringView(statement).mid(start, tsql::tokenLength(statement, start)));
}

QByteArray quotedIdentifier(const QString &name)
{
    return exactlyQuoted(name).toUtf8();
}

QByteArray quotedName(const QString &name)
{
    return quoted(name).toUtf8();
}

} // namespace qor::pg
