#include "reports/GroupReports.h"

#include "data/Query.h"
#include "data/Statements.h"

#include <array>

namespace qor {

namespace {

QString dayText(const QDate &day)
{
    return day.toString(QStringLiteral("dd.MM.yyyy"));
}

ReportColumn column(const char *upper, const char *lower, int width, Qt::Alignment alignment = Qt::AlignLeft)
{
    return {QString(), QString::fromUtf8(upper), QString::fromUtf8(lower), width, alignment};
}

// The columns naming a group: its faculty, its full name and its term end.
QList<ReportColumn> groupColumns()
{
    return {column("Факультет", "", 170), column("Группа", "", 260),
            column("Срок обучения до", "", 100, Qt::AlignCenter)};
}

// The statement's rows with the group each stands for; the caller adds the counts.
struct GroupRow
{
    GroupReport::Line line;
    QString faculty;
    QList<QVariant> values; // faculty, group, term end
};

QList<GroupRow> readGroups(Query &query)
{
    const int faculty = query.findField(QStringLiteral("id_faculty")), facultyName = query.findField(QStringLiteral("faculty")),
              group = query.findField(QStringLiteral("id_group_slushatel")),
              groupName = query.findField(QStringLiteral("name_full")),
              termEnd = query.findField(QStringLiteral("srok_obuchenia"));
    QList<GroupRow> rows;
    rows.reserve(query.rowCount());
    for (int row = 0; row < query.rowCount(); ++row) {
        const QString name = query.valueAt(row, facultyName).toString();
        rows.append({{query.valueAt(row, faculty), query.valueAt(row, group)},
                     name,
                     {name, query.valueAt(row, groupName), query.valueAt(row, termEnd)}});
    }
    return rows;
}

constexpr int CountColumns = 4;

void addSums(GroupReport &report, const QString &first, const QString &second, const std::array<qint64, CountColumns> &sums)
{
    QList<QVariant> values{first, second, QVariant()};
    for (qint64 sum : sums)
        values.append(sum);
    report.table.rows.append(values);
    report.lines.append(GroupReport::Line{});
}

} // namespace

GroupReport contingentReport(Connection *connection, const QDate &first, const QDate &last, const QVariant &facultyKey,
                             const QString &facultyName)
{
    Query query(connection);
    query.setSql(statements::contingentMovement(first, last, facultyKey));
    query.open();
    static const char *const countFields[CountColumns] = {"at_start", "enrolled", "expelled", "at_end"};
    int counts[CountColumns];
    for (int c = 0; c < CountColumns; ++c)
        counts[c] = query.findField(QString::fromLatin1(countFields[c]));

    GroupReport report;
    ReportTable &table = report.table;
    table.context = facultyName.isEmpty() ? QStringLiteral("Все факультеты") : facultyName;
    table.subject = QStringLiteral("Движение контингента");
    table.asOf = QDate::currentDate();
    table.period = QStringLiteral("За период с %1 по %2").arg(dayText(first), dayText(last));
    table.columns = groupColumns();
    for (const char *title : {"На начало периода", "Зачислено", "Отчислено", "На конец периода"})
        table.columns.append(column("Слушателей", title, 125, Qt::AlignRight));

    const QList<GroupRow> groups = readGroups(query);
    std::array<qint64, CountColumns> facultySums{}, total{};
    for (int row = 0; row < groups.size(); ++row) {
        QList<QVariant> values = groups[row].values;
        for (int c = 0; c < CountColumns; ++c) {
            const qint64 count = query.valueAt(row, counts[c]).toLongLong();
            values.append(count);
            facultySums[c] += count;
            total[c] += count;
        }
        table.rows.append(values);
        report.lines.append(groups[row].line);
        const bool facultyEnds = row + 1 == groups.size() || groups[row + 1].line.faculty != groups[row].line.faculty;
        if (facultyEnds) {
            addSums(report, groups[row].faculty, QStringLiteral("Итого по факультету"), facultySums);
            facultySums = {};
        }
    }
    addSums(report, QStringLiteral("Всего"), QString(), total);

    table.notes = {
        QStringLiteral("Считаются записи списков групп. «На начало периода» — записи с датой зачисления раньше %1 "
                       "или без даты зачисления, кроме отчисленных раньше %1.")
            .arg(dayText(first)),
        QStringLiteral("«Зачислено» — записи с датой зачисления с %1 по %2 включительно; «Отчислено» — записи с датой "
                       "отчисления в те же дни.")
            .arg(dayText(first), dayText(last)),
        QStringLiteral("«На конец периода» — записи с датой зачисления не позже %1 или без даты зачисления, "
                       "кроме отчисленных по %1 включительно. Запись без даты отчисления считается не отчисленной.")
            .arg(dayText(last)),
    };
    return report;
}

QList<FacultyChoice> facultiesWithGroups(Connection *connection)
{
    Query faculties(connection);
    faculties.setSql(statements::facultiesWithGroups());
    faculties.open();
    const int key = faculties.findField(QStringLiteral("id_faculty")), name = faculties.findField(QStringLiteral("p23-1"));
    QList<FacultyChoice> choices;
    for (int row = 0; row < faculties.rowCount(); ++row)
        choices.append({faculties.valueAt(row, key), faculties.valueAt(row, name).toString()});
    return choices;
}

GroupReport groupsPastTermReport(Connection *connection, const QDate &day)
{
    Query query(connection);
    query.setSql(statements::groupsPastTerm(day));
    query.open();
    const int remaining = query.findField(QStringLiteral("remaining"));

    GroupReport report;
    ReportTable &table = report.table;
    table.context = QStringLiteral("Все факультеты");
    table.subject = QStringLiteral("Группы с истёкшим сроком обучения");
    table.asOf = day;
    table.columns = groupColumns();
    table.columns.append(column("Не отчислено", "", 90, Qt::AlignRight));
    const QList<GroupRow> groups = readGroups(query);
    for (int row = 0; row < groups.size(); ++row) {
        QList<QVariant> values = groups[row].values;
        values.append(query.valueAt(row, remaining).toLongLong());
        table.rows.append(values);
        report.lines.append(groups[row].line);
    }
    table.notes = {QStringLiteral("Группы, срок обучения которых окончился раньше %1, а в списке остались записи без "
                                  "даты отчисления; «Не отчислено» — число таких записей.")
                       .arg(dayText(day))};
    if (table.rows.isEmpty())
        table.notes.prepend(QStringLiteral("Таких групп нет."));
    return report;
}

} // namespace qor
