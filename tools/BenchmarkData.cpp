#include "tools/BenchmarkData.h"

#include "engine/Error.h"
#include "embedded/SqliteEngine.h"
#include "tools/AdminCommands.h"

#include <QStringList>

namespace qor::admin {

namespace {

// Numbers 1..count, for statements that make many rows at once.
QString numbers(int count)
{
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ").arg(count);
}

// One of the texts, chosen by a number: the same data at every run.
QString pick(const QStringList &texts, const QString &number)
{
    QString cases = QStringLiteral("CASE (%1) % %2").arg(number).arg(texts.size());
    for (int i = 0; i < texts.size(); ++i)
        cases += QStringLiteral(" WHEN %1 THEN '%2'").arg(i).arg(texts[i]);
    return cases + QStringLiteral(" END");
}

const QStringList Surnames{QStringLiteral("Иванов"), QStringLiteral("Петров"), QStringLiteral("Сидоров"), QStringLiteral("Ёлкин"),
                           QStringLiteral("Елисеев"), QStringLiteral("Жуков"), QStringLiteral("Алексеев"), QStringLiteral("Кузнецов"),
                           QStringLiteral("Смирнов"), QStringLiteral("Орлов"), QStringLiteral("Волков"), QStringLiteral("Морозов"),
                           QStringLiteral("Новиков"), QStringLiteral("Фёдоров"), QStringLiteral("Беляев"), QStringLiteral("Тарасов")};
const QStringList Names{QStringLiteral("Иван"), QStringLiteral("Павел"), QStringLiteral("Дмитрий"), QStringLiteral("Сергей"),
                        QStringLiteral("Алексей"), QStringLiteral("Артём"), QStringLiteral("Никита"), QStringLiteral("Глеб")};

} // namespace

void createBenchmarkDatabase(const QString &file, const BenchmarkSize &size)
{
    if (size.students < 1 || size.groups < 1 || size.rosterRows < 0)
        throw Error(QStringLiteral("The benchmark sizes must be positive"));
    createDatabase(file, QStringLiteral("qor_gate"), randomSecret());
    {
        auto db = SqliteEngine::openAsOwner(file);
        db->execute(QStringLiteral("BEGIN"));
        db->execute(QStringLiteral("INSERT INTO faculty ([p23-1], [p23-2]) VALUES ('Факультет А', 'А'), ('Факультет Б', 'Б'), ('Факультет В', 'В')"));
        db->execute(QStringLiteral("INSERT INTO prikaz_come_slushatel (prikaz_come) VALUES ('Приказ о зачислении 1'), ('Приказ о зачислении 2')"));
        db->execute(QStringLiteral("INSERT INTO prikaz_leave_slushatel (prikaz_leave) VALUES ('Приказ об отчислении 1')"));
        db->execute(numbers(size.groups)
                    + QStringLiteral("INSERT INTO group_slushatel (id_faculty, name_short, name_full, oplata) "
                                     "SELECT 1 + i % 3, 'Г-' || i, 'Группа номер ' || i, 10000.0 FROM n"));
        // Names in no particular order of their keys, as people are enrolled.
        db->execute(numbers(size.students)
                    + QStringLiteral("INSERT INTO s_fio (s_fio) SELECT %1 || ' ' || %2 || ' ' || i FROM n")
                          .arg(pick(Surnames, QStringLiteral("i * 7919 / 3")), pick(Names, QStringLiteral("i * 104729 / 5"))));
        db->execute(numbers(size.rosterRows)
                    + QStringLiteral("INSERT INTO movement_slushatel (id_student, id_group_slushatel, id_prikaz_come_slushatel, "
                                     "come_date, come_reg) SELECT 1 + (i * 2654435761) % %1, 1 + i % %2, 1, '2014-09-01 00:00:00', "
                                     "(i % 100) || '-к' FROM n")
                          .arg(size.students)
                          .arg(size.groups));
        db->execute(QStringLiteral("COMMIT"));
    }
    addUser(file, {QStringLiteral("demo"), QStringLiteral("demo123"), false, std::nullopt});
}

} // namespace qor::admin
