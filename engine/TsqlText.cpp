#include "engine/TsqlText.h"

#include "engine/Error.h"

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

// Length of the token at i, which is no blank or comment: a quoted run, a
// name, a number, an operator of two characters or one character.
qsizetype tokenLength(const QString &s, qsizetype i)
{
    if (i >= s.size())
        return 0;
    const QChar c = s[i];
    if (c == u'\'' || c == u'[' || c == u'"' || c == u'`')
        return quotedLength(s, i);
    if (isNameStart(c))
        return nameLength(s, i);
    if (c.isDigit() || (c == u'.' && i + 1 < s.size() && s[i + 1].isDigit())) {
        qsizetype j = i + 1;
        while (j < s.size() && (s[j].isLetterOrNumber() || s[j] == u'.'))
            ++j;
        return j - i;
    }
    static const QStringList pairs{QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>"), QStringLiteral("!="),
                                   QStringLiteral("||"), QStringLiteral("=="), QStringLiteral("<<"), QStringLiteral(">>")};
    if (i + 1 < s.size() && pairs.contains(s.mid(i, 2)))
        return 2;
    return 1;
}

QString unquotedName(QStringView name)
{
    if (name.size() >= 2 && name.front() == u'`')
        return name.mid(1, name.size() - 2).toString();
    return unquoted(name);
}

// The words the server reserves: a syntax error next to one says "the keyword".
bool isReservedKeyword(const QString &token)
{
    static const QStringList reserved = QStringLiteral(
        "ADD ALL ALTER AND ANY AS ASC AUTHORIZATION BACKUP BEGIN BETWEEN BREAK BROWSE BULK BY CASCADE CASE CHECK "
        "CHECKPOINT CLOSE CLUSTERED COALESCE COLLATE COLUMN COMMIT COMPUTE CONSTRAINT CONTAINS CONTAINSTABLE CONTINUE "
        "CONVERT CREATE CROSS CURRENT CURRENT_DATE CURRENT_TIME CURRENT_TIMESTAMP CURRENT_USER CURSOR DATABASE DBCC "
        "DEALLOCATE DECLARE DEFAULT DELETE DENY DESC DISK DISTINCT DISTRIBUTED DOUBLE DROP DUMP ELSE END ERRLVL ESCAPE "
        "EXCEPT EXEC EXECUTE EXISTS EXIT EXTERNAL FETCH FILE FILLFACTOR FOR FOREIGN FREETEXT FREETEXTTABLE FROM FULL "
        "FUNCTION GOTO GRANT GROUP HAVING HOLDLOCK IDENTITY IDENTITY_INSERT IDENTITYCOL IF IN INDEX INNER INSERT "
        "INTERSECT INTO IS JOIN KEY KILL LEFT LIKE LINENO LOAD MERGE NATIONAL NOCHECK NONCLUSTERED NOT NULL NULLIF OF "
        "OFF OFFSETS ON OPEN OPENDATASOURCE OPENQUERY OPENROWSET OPENXML OPTION OR ORDER OUTER OVER PERCENT PIVOT PLAN "
        "PRECISION PRIMARY PRINT PROC PROCEDURE PUBLIC RAISERROR READ READTEXT RECONFIGURE REFERENCES REPLICATION "
        "RESTORE RESTRICT RETURN REVERT REVOKE RIGHT ROLLBACK ROWCOUNT ROWGUIDCOL RULE SAVE SCHEMA SECURITYAUDIT SELECT "
        "SESSION_USER SET SETUSER SHUTDOWN SOME STATISTICS SYSTEM_USER TABLE TABLESAMPLE TEXTSIZE THEN TO TOP TRAN "
        "TRANSACTION TRIGGER TRUNCATE TRY_CONVERT TSEQUAL UNION UNIQUE UNPIVOT UPDATE UPDATETEXT USE USER VALUES "
        "VARYING VIEW WAITFOR WHEN WHERE WHILE WITH WRITETEXT").split(u' ');
    return reserved.contains(token, Qt::CaseInsensitive);
}

namespace {

// Reads a statement token by token, past blanks and comments.
class Tokens
{
public:
    explicit Tokens(const QString &s) : m_s(s) {}

    // The next token, empty at the end.
    QStringView next()
    {
        const qsizetype start = skipBlanksAndComments(m_s, m_i);
        const qsizetype n = tokenLength(m_s, start);
        m_i = start + n;
        return QStringView(m_s).mid(start, n);
    }
    QStringView peek() const
    {
        const qsizetype start = skipBlanksAndComments(m_s, m_i);
        return QStringView(m_s).mid(start, tokenLength(m_s, start));
    }
    // Past the parenthesis that closes one just read.
    void skipToClose()
    {
        int depth = 1;
        for (QStringView t = next(); !t.isEmpty(); t = next()) {
            if (t == u"(")
                ++depth;
            else if (t == u")" && --depth == 0)
                return;
        }
    }

private:
    const QString &m_s;
    qsizetype m_i = 0;
};

bool is(QStringView token, const char *word)
{
    return token.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// A dotted name whose first part has been read: its last part, unquoted.
QString lastNamePart(Tokens &tokens, QStringView first)
{
    QStringView part = first;
    while (tokens.peek() == u".") {
        tokens.next();
        part = tokens.next();
    }
    return unquotedName(part);
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

QString lastToken(const QString &statement)
{
    QString last;
    Tokens tokens(statement);
    for (QStringView t = tokens.next(); !t.isEmpty(); t = tokens.next())
        last = t.toString();
    return last;
}

QString syntaxErrorNear(const QString &token)
{
    if (isReservedKeyword(token))
        return QStringLiteral("Incorrect syntax near the keyword '%1'.").arg(token);
    return QStringLiteral("Incorrect syntax near '%1'.").arg(token);
}

QString nulCharacterError()
{
    return QStringLiteral("The statement holds the character with code 0, which no statement may hold.");
}

QString procedureNotFoundError(const QString &procedure)
{
    return QStringLiteral("Could not find stored procedure '%1'.").arg(procedure);
}

QString executePermissionError(const QString &procedure, const QString &catalog)
{
    return QStringLiteral("The EXECUTE permission was denied on the object '%1', database '%2', schema 'dbo'.")
        .arg(procedure, catalog);
}

QString permissionDeniedError()
{
    return QStringLiteral("The user does not have permission to perform this action.");
}

QString countsNotUpdatableError()
{
    return QStringLiteral("Cannot update the view or function 'movement_counts' because it contains aggregates, or a "
                          "DISTINCT or GROUP BY clause, or PIVOT or UNPIVOT operator.");
}

QString truncationError()
{
    return QStringLiteral("String or binary data would be truncated.");
}

WriteTarget writeTarget(const QString &statement)
{
    Tokens tokens(statement);
    WriteTarget target;
    QStringView word = tokens.next();
    if (is(word, "WITH")) {
        // WITH [RECURSIVE] name [(columns)] AS [NOT] [MATERIALIZED] (...) [, ...] and the verb
        word = tokens.next();
        if (is(word, "RECURSIVE"))
            word = tokens.next();
        while (!word.isEmpty()) {
            word = tokens.next(); // past the name
            if (word == u"(") {
                tokens.skipToClose();
                word = tokens.next();
            }
            word = tokens.next(); // past AS
            if (is(word, "NOT"))
                word = tokens.next();
            if (is(word, "MATERIALIZED"))
                word = tokens.next();
            if (word == u"(")
                tokens.skipToClose();
            word = tokens.next();
            if (word != u",")
                break;
            word = tokens.next();
        }
    }
    if (is(word, "INSERT") || is(word, "REPLACE")) {
        target.verb = WriteTarget::Insert;
        word = tokens.next();
        if (is(word, "OR")) {
            tokens.next();
            word = tokens.next();
        }
        if (!is(word, "INTO"))
            return target;
        target.table = lastNamePart(tokens, tokens.next());
        word = tokens.next();
        if (is(word, "AS")) {
            tokens.next();
            word = tokens.next();
        }
        if (word == u"(") {
            QStringList columns;
            for (QStringView column = tokens.next(); !column.isEmpty(); column = tokens.next()) {
                columns.append(unquotedName(column));
                if (tokens.next() != u",")
                    break;
            }
            target.columns = columns;
        } else {
            target.defaultValues = is(word, "DEFAULT");
        }
    } else if (is(word, "UPDATE")) {
        target.verb = WriteTarget::Update;
        word = tokens.next();
        if (is(word, "OR")) {
            tokens.next();
            word = tokens.next();
        }
        target.table = lastNamePart(tokens, word);
    } else if (is(word, "DELETE")) {
        target.verb = WriteTarget::Delete;
        if (is(tokens.next(), "FROM"))
            target.table = lastNamePart(tokens, tokens.next());
    }
    return target;
}

QString explicitIdentityError(const QString &table)
{
    return QStringLiteral("Cannot insert explicit value for identity column in table '%1' when IDENTITY_INSERT is set to OFF.").arg(table);
}

QString identityWithoutColumnListError(const QString &table)
{
    return QStringLiteral("An explicit value for the identity column in table '%1' can only be specified when a column "
                          "list is used and IDENTITY_INSERT is ON.").arg(table);
}

QString identityUpdateError(const QString &column)
{
    return QStringLiteral("Cannot update identity column '%1'.").arg(column);
}

namespace {

QString verbWord(WriteTarget::Verb verb)
{
    switch (verb) {
    case WriteTarget::Insert: return QStringLiteral("INSERT");
    case WriteTarget::Update: return QStringLiteral("UPDATE");
    case WriteTarget::Delete: return QStringLiteral("DELETE");
    default: return QStringLiteral("MERGE");
    }
}

} // namespace

QString foreignKeyConflictError(WriteTarget::Verb verb, const QString &constraint, const QString &catalog, const QString &table,
                                const QString &column)
{
    return QStringLiteral("The %1 statement conflicted with the FOREIGN KEY constraint \"%2\". The conflict occurred in "
                          "database \"%3\", table \"dbo.%4\", column '%5'.")
        .arg(verbWord(verb), constraint, catalog, table, column);
}

QString referenceConflictError(WriteTarget::Verb verb, const QString &constraint, const QString &catalog, const QString &table,
                               const QString &column)
{
    return QStringLiteral("The %1 statement conflicted with the REFERENCE constraint \"%2\". The conflict occurred in "
                          "database \"%3\", table \"dbo.%4\", column '%5'.")
        .arg(verbWord(verb), constraint, catalog, table, column);
}

} // namespace qor::tsql
