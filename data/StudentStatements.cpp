#include "data/StudentStatements.h"

#include "data/TDM.h"

namespace qor::statements {

namespace {

// The group, its faculty and the texts of the orders of a roster row m.
const char *const RowDetails =
    "LEFT JOIN group_slushatel g ON g.id_group_slushatel = m.id_group_slushatel "
    "LEFT JOIN faculty f ON f.id_faculty = g.id_faculty "
    "LEFT JOIN prikaz_come_slushatel pc ON pc.id_prikaz_come_slushatel = m.id_prikaz_come_slushatel "
    "LEFT JOIN prikaz_leave_slushatel pl ON pl.id_prikaz_leave_slushatel = m.id_prikaz_leave_slushatel ";

} // namespace

QString studentsByName()
{
    return QStringLiteral("SELECT id_student, s_fio FROM s_fio ORDER BY s_fio");
}

QString inNoGroupText()
{
    return QStringLiteral("не зачислен ни в одну группу");
}

QString rosterRowsOfStudents(const QList<qint64> &students)
{
    QString keys;
    keys.reserve(students.size() * 8);
    for (qint64 student : students) {
        if (!keys.isEmpty())
            keys += u',';
        keys += QString::number(student);
    }
    if (keys.isEmpty())
        keys = QStringLiteral("NULL");
    return QStringLiteral(
               "SELECT s.id_student, s.s_fio, g.id_faculty, f.[p23-1] AS faculty, m.id_group_slushatel, "
               "CASE WHEN m.id_movement IS NULL THEN '%1' ELSE g.name_full END AS name_full, "
               "pc.prikaz_come, m.come_reg, m.come_date, pl.prikaz_leave, m.leave_reg, m.leave_date, m.id_movement "
               "FROM s_fio s LEFT JOIN movement_slushatel m ON m.id_student = s.id_student ")
               .arg(inNoGroupText())
           + QLatin1String(RowDetails)
           + QStringLiteral(
                 "WHERE s.id_student IN (%1) "
                 "ORDER BY CASE WHEN m.id_movement IS NOT NULL AND m.leave_date IS NULL THEN 0 ELSE 1 END, "
                 "s.s_fio, s.id_student, m.come_date, m.id_movement")
                 .arg(keys);
}

QString studentName(const QVariant &student)
{
    return QStringLiteral("SELECT s_fio FROM s_fio WHERE id_student=") + TDM::keyText(student);
}

QString studentCard(const QVariant &student)
{
    return QStringLiteral(
               "SELECT m.id_movement, m.id_student, m.id_group_slushatel, m.id_prikaz_come_slushatel, m.come_date, "
               "m.come_reg, m.id_prikaz_leave_slushatel, m.leave_date, m.leave_reg, g.name_full, g.id_faculty, "
               "f.[p23-1] AS faculty, g.srok_obuchenia, pc.prikaz_come, pl.prikaz_leave "
               "FROM movement_slushatel m ")
           + QLatin1String(RowDetails) + QStringLiteral("WHERE m.id_student=") + TDM::keyText(student)
           + QStringLiteral(" ORDER BY m.come_date, m.id_movement");
}

QString groupPlace(const QVariant &group)
{
    return QStringLiteral(
               "SELECT g.name_full, f.[p23-1] AS faculty, g.id_faculty FROM group_slushatel g "
               "LEFT JOIN faculty f ON f.id_faculty = g.id_faculty WHERE g.id_group_slushatel=")
           + TDM::keyText(group);
}

QString enrolledRowsInGroup(const QVariant &student, const QVariant &group)
{
    return QStringLiteral(
               "SELECT m.id_movement, g.name_full FROM movement_slushatel m "
               "LEFT JOIN group_slushatel g ON g.id_group_slushatel = m.id_group_slushatel "
               "WHERE m.id_student=")
           + TDM::keyText(student) + QStringLiteral(" AND m.id_group_slushatel=") + TDM::keyText(group)
           + QStringLiteral(" AND m.leave_date IS NULL");
}

} // namespace qor::statements
