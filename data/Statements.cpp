#include "data/Statements.h"

#include "data/TDM.h"

namespace qor {

QString quotedLiteral(const QString &text)
{
    QString doubled = text;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

QString dayLiteral(const QDate &day)
{
    return QStringLiteral("CAST('%1' AS datetime)").arg(day.toString(QStringLiteral("yyyyMMdd")));
}

} // namespace qor

namespace qor::statements {

QString facultiesWithGroups()
{
    return QStringLiteral(
        "SELECT distinct   dbo.faculty.id_faculty, dbo.faculty.[p23-1],dbo.faculty.[p23-2] FROM         dbo.faculty "
        "INNER JOIN dbo.group_slushatel ON dbo.faculty.id_faculty = dbo.group_slushatel.id_faculty ORDER BY dbo.faculty.[p23-1]");
}

QString allFaculties()
{
    return QStringLiteral(
        "SELECT distinct   dbo.faculty.id_faculty, dbo.faculty.[p23-1],dbo.faculty.[p23-2] FROM         dbo.faculty "
        "ORDER BY dbo.faculty.[p23-1] ");
}

QString enrolmentOrders()
{
    return QStringLiteral("Select * FROM [QOR].[dbo].[prikaz_come_slushatel]");
}

QString expulsionOrders()
{
    return QStringLiteral("Select * FROM [QOR].[dbo].[prikaz_leave_slushatel]");
}

QString groupsOfFaculty(const QVariant &facultyKey)
{
    return QStringLiteral("SELECT * FROM [group_slushatel] Where id_faculty=") + TDM::keyText(facultyKey);
}

QString students()
{
    return QStringLiteral("Select * FROM [QOR].[dbo].[s_fio]");
}

QString rosterOfGroup(const QVariant &groupKey)
{
    return QStringLiteral("SELECT ROW_NUMBER() OVER(ORDER BY s_fio.s_fio) AS Row,s_fio.s_fio,* FROM movement_slushatel "
                          "Inner Join s_fio on s_fio.id_student=movement_slushatel.id_student WHERE id_group_slushatel=")
           + TDM::keyText(groupKey) + QStringLiteral(" Order by s_fio.s_fio");
}

QString studentsNotInGroup(const QVariant &groupKey)
{
    return QStringLiteral("Select * from [s_fio] where id_student not in (Select id_student from movement_slushatel where id_group_slushatel=")
           + TDM::keyText(groupKey) + QStringLiteral(") order by s_fio");
}

QString groupAndFaculty(const QVariant &groupKey)
{
    return QStringLiteral("SELECT dbo.group_slushatel.name_full, dbo.faculty.[p23-1] FROM dbo.group_slushatel "
                          "INNER JOIN dbo.faculty ON dbo.faculty.id_faculty = dbo.group_slushatel.id_faculty "
                          "WHERE dbo.group_slushatel.id_group_slushatel=")
           + TDM::keyText(groupKey);
}

QString addToGroup(const QVariant &studentKey, const QVariant &groupKey, const QVariant &orderKey,
                   const QDate &orderDate, const QString &orderNumber)
{
    return QStringLiteral("INSERT INTO [QOR].[dbo].[movement_slushatel] ([id_student],[id_group_slushatel],"
                          "[id_prikaz_come_slushatel],[come_date],[come_reg]) VALUES (")
           + TDM::keyText(studentKey) + u',' + TDM::keyText(groupKey) + u',' + TDM::keyText(orderKey) + QStringLiteral(",'")
           + QString::number(orderDate.year()) + QStringLiteral("%1").arg(orderDate.month(), 2, 10, QLatin1Char('0'))
           + QStringLiteral("%1").arg(orderDate.day(), 2, 10, QLatin1Char('0')) + QStringLiteral("',") + quotedLiteral(orderNumber)
           + u')';
}

QString dateFormatDmy()
{
    return QStringLiteral("SET DATEFORMAT dmy");
}

namespace {

// Counts the roster rows for which the condition holds, from their counts
// per group and pair of dates.
QString countWhere(const QString &condition, const char *name)
{
    return QStringLiteral("SUM(CASE WHEN %1 THEN roster_rows ELSE 0 END) AS %2").arg(condition, QLatin1String(name));
}

// Whether a row is on the roster at the start of the day: enrolled before
// it (or with no date) and not expelled before it.
QString onRosterAt(const QString &day)
{
    return QStringLiteral("(come_date IS NULL OR come_date < %1) AND (leave_date IS NULL OR leave_date >= %1)").arg(day);
}

} // namespace

QString contingentMovement(const QDate &first, const QDate &last, const QVariant &facultyKey)
{
    // Days are compared as the start of the first day and of the day after
    // the last, so that a date with a time of day counts on its day.
    const QString from = dayLiteral(first), to = dayLiteral(last.addDays(1));
    const bool oneFaculty = facultyKey.isValid() && !facultyKey.isNull();
    const QString onlyFaculty = TDM::keyText(facultyKey);
    // The rows are counted per group in one pass over their counts per group
    // and pair of dates (a few a group, where the roster has hundreds) before
    // the groups are joined.
    return QStringLiteral("SELECT dbo.group_slushatel.id_faculty, dbo.faculty.[p23-1] AS faculty, "
                          "dbo.group_slushatel.id_group_slushatel, dbo.group_slushatel.name_full, "
                          "dbo.group_slushatel.srok_obuchenia, COALESCE(counted.at_start, 0) AS at_start, "
                          "COALESCE(counted.enrolled, 0) AS enrolled, COALESCE(counted.expelled, 0) AS expelled, "
                          "COALESCE(counted.at_end, 0) AS at_end "
                          "FROM dbo.group_slushatel INNER JOIN dbo.faculty ON dbo.faculty.id_faculty = dbo.group_slushatel.id_faculty "
                          "LEFT JOIN (SELECT id_group_slushatel, ")
           + countWhere(onRosterAt(from), "at_start") + QStringLiteral(", ")
           + countWhere(QStringLiteral("come_date >= %1 AND come_date < %2").arg(from, to), "enrolled") + QStringLiteral(", ")
           + countWhere(QStringLiteral("leave_date >= %1 AND leave_date < %2").arg(from, to), "expelled") + QStringLiteral(", ")
           + countWhere(onRosterAt(to), "at_end") + QStringLiteral(" FROM dbo.movement_counts ")
           + (oneFaculty ? QStringLiteral("WHERE id_group_slushatel IN (SELECT id_group_slushatel FROM dbo.group_slushatel "
                                          "WHERE id_faculty=")
                               + onlyFaculty + QStringLiteral(") ")
                         : QString())
           + QStringLiteral("GROUP BY id_group_slushatel) counted ON counted.id_group_slushatel = dbo.group_slushatel.id_group_slushatel ")
           + (oneFaculty ? QStringLiteral("WHERE dbo.group_slushatel.id_faculty=") + onlyFaculty + u' ' : QString())
           + QStringLiteral("ORDER BY dbo.faculty.[p23-1], dbo.group_slushatel.id_faculty, dbo.group_slushatel.name_full, "
                            "dbo.group_slushatel.id_group_slushatel");
}

QString groupsPastTerm(const QDate &day)
{
    return QStringLiteral("SELECT dbo.group_slushatel.id_faculty, dbo.faculty.[p23-1] AS faculty, "
                          "dbo.group_slushatel.id_group_slushatel, dbo.group_slushatel.name_full, "
                          "dbo.group_slushatel.srok_obuchenia, SUM(dbo.movement_counts.roster_rows) AS remaining "
                          "FROM dbo.group_slushatel INNER JOIN dbo.faculty ON dbo.faculty.id_faculty = dbo.group_slushatel.id_faculty "
                          "INNER JOIN dbo.movement_counts ON dbo.movement_counts.id_group_slushatel = dbo.group_slushatel.id_group_slushatel "
                          "WHERE dbo.group_slushatel.srok_obuchenia < ")
           + dayLiteral(day)
           + QStringLiteral(" AND dbo.movement_counts.leave_date IS NULL "
                            "GROUP BY dbo.group_slushatel.id_faculty, dbo.faculty.[p23-1], dbo.group_slushatel.id_group_slushatel, "
                            "dbo.group_slushatel.name_full, dbo.group_slushatel.srok_obuchenia "
                            "ORDER BY dbo.group_slushatel.srok_obuchenia, dbo.faculty.[p23-1], dbo.group_slushatel.name_full");
}

} // namespace qor::statements
