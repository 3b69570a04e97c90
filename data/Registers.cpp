#include "data/Registers.h"

#include "data/NameIndex.h"
#include "data/Query.h"
#include "data/Statements.h"
#include "engine/Engine.h"
#include "engine/Error.h"

namespace qor {

namespace {

const QString EmptyStudentName = QStringLiteral("Не указано ФИО слушателя.");
const QString EmptyFacultyName = QStringLiteral("Не указано название факультета.");

// The name with every ё made е, and with every е made ё (capitals alike).
QString withAllE(QString name)
{
    name.replace(u'ё', u'е');
    name.replace(u'Ё', u'Е');
    return name;
}

QString withAllYo(QString name)
{
    name.replace(u'е', u'ё');
    name.replace(u'Е', u'Ё');
    return name;
}

// Whether another row than the one written has the name, and whether the
// row written had it already (by sameNameKey), among the rows found for it.
struct Namesakes
{
    bool others = false;
    bool alreadyThisRow = false;
};

Namesakes namesakesOf(Engine &engine, const QString &statement, const QString &name, const QVariant &ownKey)
{
    const RowSet found = engine.select(statement);
    const std::string key = sameNameKey(name);
    Namesakes namesakes;
    for (int row = 0; row < found.rowCount(); ++row) {
        if (sameNameKey(found.text(row, 1)) != key)
            continue;
        const bool own = ownKey.isValid() && !ownKey.isNull() && found.integer(row, 0) == ownKey.toLongLong();
        (own ? namesakes.alreadyThisRow : namesakes.others) = true;
    }
    return namesakes;
}

// Sets a text column of the row being written to its normalised form; NULL
// when nothing is left.
QString normaliseColumn(Query &row, const QString &field)
{
    const int index = row.findField(field);
    const QVariant value = row.value(index);
    const QString name = normalisedName(value.toString());
    if (name.isEmpty()) {
        if (!value.isNull())
            row.setValue(index, QVariant());
    } else if (name != value.toString()) {
        row.setValue(index, name);
    }
    return name;
}

} // namespace

QString normalisedName(const QString &text)
{
    // Most names are kept as they should be already: they are only looked at.
    const auto isBlank = [](QChar c) {
        if (c.unicode() < 0x80)
            return c.unicode() <= u' ' || c.unicode() == 0x7F;
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF) // Cyrillic letters, no blank among them
            return false;
        return c.isSpace() || c.category() == QChar::Other_Control;
    };
    bool asKept = text.isEmpty() || (!isBlank(text.front()) && !isBlank(text.back()));
    for (qsizetype i = 1; asKept && i < text.size(); ++i)
        asKept = !isBlank(text[i]) || (text[i] == u' ' && !isBlank(text[i - 1]));
    if (asKept)
        return text;
    QString name;
    name.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        if (c.isSpace() || c.category() == QChar::Other_Control) {
            blank = !name.isEmpty();
            continue;
        }
        if (blank)
            name += u' ';
        blank = false;
        name += c;
    }
    return name;
}

std::string sameNameKey(const QString &text)
{
    return NameIndex::folded(normalisedName(text));
}

TablePermissions permissionsOn(Engine &engine, const QString &table)
{
    RowSet rows;
    try {
        rows = engine.select(statements::tablePermissions(table));
    } catch (const Error &) {
        return {}; // the database will say so itself when it refuses a write
    }
    if (rows.rowCount() != 1 || rows.columnCount() != 3)
        return {};
    const auto granted = [&](int column) { return !rows.isNull(0, column) && rows.integer(0, column) == 1; };
    return {granted(0), granted(1), granted(2)};
}

void checkStudentRow(Query &row, Engine &engine, const std::function<bool(const QString &)> &confirm)
{
    const QString name = normaliseColumn(row, QStringLiteral("s_fio"));
    if (name.isEmpty())
        throw Error(EmptyStudentName);
    const Namesakes namesakes =
        namesakesOf(engine, statements::studentsNamedAlike(name), name, row.value(QStringLiteral("id_student")));
    // Namesakes are real: another one is added when the person says so.
    if (namesakes.others && !namesakes.alreadyThisRow && confirm && !confirm(name))
        throw Declined();
}

void checkFacultyRow(Query &row, Engine &engine)
{
    const QString name = normaliseColumn(row, QStringLiteral("p23-1"));
    normaliseColumn(row, QStringLiteral("p23-2"));
    if (name.isEmpty())
        throw Error(EmptyFacultyName);
    // Every list shows a faculty by its name alone: two of one name could not be told apart.
    const Namesakes namesakes =
        namesakesOf(engine, statements::facultiesNamedAlike(name), name, row.value(QStringLiteral("id_faculty")));
    if (namesakes.others)
        throw Error(QStringLiteral("Факультет «%1» уже есть.").arg(name));
}

} // namespace qor

namespace qor::statements {

namespace {

// Both ways round: a collation may order ё before е or after it.
QString alikeRange(const QString &column, const QString &name)
{
    const QString e = quotedLiteral(qor::withAllE(name));
    const QString yo = quotedLiteral(qor::withAllYo(name));
    return QStringLiteral("(%1 BETWEEN %2 AND %3 OR %1 BETWEEN %3 AND %2)").arg(column, e, yo);
}

} // namespace

QString studentRegister()
{
    return QStringLiteral("SELECT id_student, s_fio FROM [QOR].[dbo].[s_fio] ORDER BY s_fio");
}

QString facultyRegister()
{
    return QStringLiteral("SELECT id_faculty, [p23-1], [p23-2] FROM [QOR].[dbo].[faculty] ORDER BY [p23-1]");
}

QString studentsNamedAlike(const QString &name)
{
    return QStringLiteral("SELECT id_student, s_fio FROM [QOR].[dbo].[s_fio] WHERE %1")
        .arg(alikeRange(QStringLiteral("s_fio"), name));
}

QString facultiesNamedAlike(const QString &name)
{
    return QStringLiteral("SELECT id_faculty, [p23-1] FROM [QOR].[dbo].[faculty] WHERE %1")
        .arg(alikeRange(QStringLiteral("[p23-1]"), name));
}

QString tablePermissions(const QString &table)
{
    const QString object = quotedLiteral(QStringLiteral("dbo.") + table);
    return QStringLiteral(
               "SELECT HAS_PERMS_BY_NAME(%1, 'OBJECT', 'INSERT') AS may_insert, "
               "HAS_PERMS_BY_NAME(%1, 'OBJECT', 'UPDATE') AS may_update, "
               "HAS_PERMS_BY_NAME(%1, 'OBJECT', 'DELETE') AS may_delete")
        .arg(object);
}

} // namespace qor::statements
