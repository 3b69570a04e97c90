#include "data/Statements.h"

#include "data/TDM.h"

namespace qor {

QString quotedLiteral(const QString &text)
{
    QString doubled = text;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
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

} // namespace qor::statements
